# Sourced by the tools: sample_controls_reg prints a registry script that
# replaces the classes of a throwaway Wine prefix with a few sample controls
# of our own invention, in both the 64-bit and the 32-bit view, named in
# more than one script (in the registry editor's own UTF-16, which regedit
# reads whatever the code page);
# sample_server_files PREFIX lays the one server file of them that is there
# (the gauge's), so that the others show as missing.
sample_server_files() {
    mkdir -p "$1/drive_c/Program Files/Talven Samples"
    : >"$1/drive_c/Program Files/Talven Samples/gauge.ocx"
}

# sample_font_links PREFIX: as Windows links its dialog font to fonts of
# other scripts, the prefix's to a font of Chinese and Japanese characters
# from Debian's packages (fonts-wqy-microhei), so that the samples' names
# in Japanese are drawn, not boxes.
sample_font_links() {
    local link='wqy-microhei.ttc,WenQuanYi Micro Hei'
    for face in 'MS Sans Serif' 'Microsoft Sans Serif' Tahoma 'MS Shell Dlg'; do
        "$root/cmake/wine-run.sh" "$1" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "$face" /t REG_MULTI_SZ /d "$link" /f >/dev/null
    done
}

sample_controls_reg() {
    sample_controls_text | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; }
}

sample_controls_text() {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    for view in 'HKEY_CLASSES_ROOT\CLSID' 'HKEY_LOCAL_MACHINE\Software\Classes\Wow6432Node\CLSID'; do
        printf '[-%s]\r\n\r\n' "$view"
        while IFS='|' read -r clsid name server progid; do
            key="$view\\$clsid"
            printf '[%s]\r\n@="%s"\r\n' "$key" "$name"
            printf '[%s\\Control]\r\n' "$key"
            printf '[%s\\InprocServer32]\r\n@="%s"\r\n' "$key" "${server//\\/\\\\}"
            [ -n "$progid" ] && printf '[%s\\ProgID]\r\n@="%s"\r\n' "$key" "$progid"
            printf '\r\n'
        done <<'LIST'
{3F1A0001-7A1E-4C2B-9D00-000000000001}|Talven Sample Gauge|C:\Program Files\Talven Samples\gauge.ocx|Talven.SampleGauge.1
{3F1A0002-7A1E-4C2B-9D00-000000000002}|Календарь «Янтарь»|C:\Windows\System32\ambercal.ocx|
{3F1A0003-7A1E-4C2B-9D00-000000000003}|Birchwood Chart 2.0|C:\Program Files\Birchwood\bwchart.ocx|Birchwood.Chart.2
{3F1A0004-7A1E-4C2B-9D00-000000000004}|コバルト グリッド|C:\Legacy\コバルト\grid.ocx|
{3F1A0005-7A1E-4C2B-9D00-000000000005}|Dune Media Slider|C:\Program Files\Dune\slider.ocx|
LIST
    done
    printf '[HKEY_CLASSES_ROOT\\Talven.SampleGauge.1\\CLSID]\r\n@="{3F1A0001-7A1E-4C2B-9D00-000000000001}"\r\n'
    printf '[HKEY_CLASSES_ROOT\\Birchwood.Chart.2\\CLSID]\r\n@="{3F1A0003-7A1E-4C2B-9D00-000000000003}"\r\n'
}
