// The counted objects alive at one moment: the model's Elements, contexts and record
// iterators, our COM objects and the substitute host's. Taken when a test starts, it
// expects at the test's end that the test left none of its own behind; an earlier
// unchecked test's leak is not this one's.
#pragma once

#include <gtest/gtest.h>

#include "model/LiveCounts.h"
#include "platform/ComObject.h"
#include "simhost/com/LiveObjects.h"

namespace orvel::test {

class LiveObjectCheck {
public:
    void Take() {
        m_elements = orvel::model::LiveElements();
        m_contexts = orvel::model::LiveContexts();
        m_iterators = orvel::model::LiveRecordIterators();
        m_objects = orvel::ObjectCount().load();
        m_hostObjects = orvel::sim::LiveObjects();
    }

    void ExpectNoneLeft() const {
        EXPECT_EQ(orvel::model::LiveElements(), m_elements) << "an Element was not destroyed";
        EXPECT_EQ(orvel::model::LiveContexts(), m_contexts) << "a context was not destroyed";
        EXPECT_EQ(orvel::model::LiveRecordIterators(), m_iterators)
            << "a record iterator was not destroyed";
        EXPECT_EQ(orvel::ObjectCount().load(), m_objects) << "a COM object was not released";
        EXPECT_EQ(orvel::sim::LiveObjects(), m_hostObjects) << "a host object was not released";
    }

private:
    int m_elements = 0;
    int m_contexts = 0;
    int m_iterators = 0;
    long m_objects = 0;
    long m_hostObjects = 0;
};

} // namespace orvel::test
