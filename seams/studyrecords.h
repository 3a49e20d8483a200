#pragma once

#include <QDateTime>
#include <cstdint>

namespace brenvik {

namespace srs {
class StudyHistory;
}

// The study history of the library and the clock its grades are recorded by.
class StudyRecords {
public:
    virtual ~StudyRecords() = default;

    // Where sessions record their grades; null: none.
    virtual srs::StudyHistory* studyHistory() { return nullptr; }
    // The time grades are recorded at and spaced sessions are scheduled by: UTC seconds.
    virtual std::int64_t clockNow() const { return QDateTime::currentSecsSinceEpoch(); }
};

} // namespace brenvik
