// Counts the substitute host's live COM objects, so that tests can check that every
// reference handed out was given back.
#pragma once

#include <atomic>

namespace orvel::sim {

// Live simhost COM objects in this module.
long LiveObjects();

// A base every simhost COM class carries: counts from construction to destruction.
class LiveObject {
protected:
    LiveObject();
    LiveObject(const LiveObject&);
    ~LiveObject();

private:
    LiveObject& operator=(const LiveObject&) = delete;
};

} // namespace orvel::sim
