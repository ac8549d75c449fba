// Live-object counts of the variable model's counted objects. Always kept, in every
// build, so tests of any configuration can check that what they made was destroyed.
#pragma once

namespace orvel {
namespace model {

// The objects constructed and not yet destroyed.
int LiveElements();
int LiveContexts();
int LiveRecordIterators(); // ExtraDebugInfo

// Called by the constructors and destructors only.
void CountElement(int Delta);
void CountContext(int Delta);
void CountRecordIterator(int Delta);

} // namespace model
} // namespace orvel
