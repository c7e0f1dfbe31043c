#pragma once

// An in-memory calendar object model for tests of the scan.

#include <optional>
#include <string>
#include <vector>

#include "scan/core/AppointmentScan.h"
#include "scan/core/CalendarSource.h"

namespace agendix::scan::testing {

struct FakeAppointment {
    LocalDateTime start;
    LocalDateTime end;
    std::string subject;
    std::string location;
    // A series lists these as its occurrences; `start` is the series' own first start.
    std::optional<std::vector<FakeAppointment>> occurrences;
    bool occurrencesFail = false;
    bool unreadable = false;    // reading its start fails
    std::string identity = {};  // see AppointmentItem::Identity
};

class FakeCalendar : public CalendarApplicationFactory {
  public:
    std::vector<FakeAppointment> appointments;
    bool failToOpen = false;
    bool notReady = false;  // still opening: CalendarNotReady
    // What the folder tells as left out because it could not be read.
    std::vector<std::string> readProblems;
    int applicationsCreated = 0;
    // Items yielded by the last scans' enumerations (restricted collections included).
    int itemsEnumerated = 0;

    std::unique_ptr<CalendarApplication> CreateApplication() override;
};

class FixedClock : public Clock {
  public:
    LocalDateTime now{{2026, 12, 7}, 8, 30, 0};
    LocalDateTime Now() const override { return now; }
};

struct BalloonCall {
    std::string what;  // "title", "text" or "show"
    std::string value;

    bool operator==(const BalloonCall&) const = default;
};

class RecordingTray : public BalloonTray {
  public:
    std::vector<BalloonCall> calls;
    void SetTrayToolTipTitle(const std::string& title) override {
        calls.push_back({"title", title});
    }
    void SetTrayToolTip(const std::string& text) override { calls.push_back({"text", text}); }
    void Show(bool UpDateData) override { calls.push_back({"show", UpDateData ? "1" : "0"}); }
};

class CountingPump : public MessagePump {
  public:
    int pumps = 0;
    void ProcessPendingMessages() override { ++pumps; }
};

}  // namespace agendix::scan::testing
