// The demonstration program (examples/heat.json), built into the tool so that it runs
// with no file at hand. The definition is generated from the file at configure time.
#pragma once

#include <string_view>

std::string_view DemoSnapshotText();
