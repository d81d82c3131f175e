// The verbs of talvenctl, each given the scope the command line chose and
// its own arguments; each returns an ExitCode (selection.h).
#pragma once

#include "controls.h"

int ListVerb(const Scope& scope, int argc, char** argv);
int PlanVerb(const Scope& scope, int argc, char** argv);
int RemoveVerb(const Scope& scope, int argc, char** argv);
