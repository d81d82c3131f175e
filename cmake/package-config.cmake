# Read by cpack as it starts: the tools it runs (strip writes the PE header
# anew) take their dates from the source date, not from the clock.
set(ENV{SOURCE_DATE_EPOCH} ${CPACK_TALVEN_SOURCE_DATE_EPOCH})
