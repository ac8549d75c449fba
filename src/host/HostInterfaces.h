// Everything the evaluator shares with its debugger host: interfaces, records, flags,
// identifiers and result codes.
#pragma once

#include "host/HostEvaluator.h"
#include "host/HostIds.h"
#include "host/HostObjects.h"
#include "host/HostProperties.h"
#include "host/HostResults.h"
#include "host/HostSymbols.h"
