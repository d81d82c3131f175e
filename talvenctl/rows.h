// The rows of talvenctl list: each listed control with its server's state
// and what its removal would take.
#pragma once

#include <string>
#include <vector>

#include "selection.h"
#include "servers.h"

// A line of list: the control, its server's state, its ProgID and library.
struct Row {
    Control control;
    ServerState state;
    std::string note;
    std::string progId;
    std::string typeLib;
    int view;          // 32 or 64: the registry view it is registered in
    ClassStore store;  // the store whose registration a removal would take
};

// The rows of every listed control, or of those whose server is missing;
// with trees, each with the ProgID and library its removal would take.
ResultCode ListRows(const Scope& scope, bool missing, bool trees, std::vector<Row>* rows);
