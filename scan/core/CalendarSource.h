#pragma once

// The calendar object model that the appointment scan reads: an application object, its
// namespace, the default calendar folder, the folder's item collection, appointments and the
// recurrence patterns of series. Objects are created for one scan and dropped at its end.
// Every operation that fails throws CalendarError with a message a user can read.

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "scan/core/LocalDateTime.h"

namespace agendix::scan {

class CalendarError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The calendar is still being opened or read (a calendar service answering for the first time):
// nothing can be said of it yet, not even that it is empty or broken. The source tells its
// change notice once it can answer.
class CalendarNotReady : public CalendarError {
  public:
    using CalendarError::CalendarError;
};

class RecurrencePattern;

class AppointmentItem {
  public:
    virtual ~AppointmentItem() = default;

    virtual bool IsRecurring() const = 0;
    virtual std::unique_ptr<RecurrencePattern> GetRecurrencePattern() const = 0;
    virtual LocalDateTime Start() const = 0;
    virtual LocalDateTime End() const = 0;
    virtual std::string Subject() const = 0;
    virtual std::string Location() const = 0;

    // What tells this appointment from others in any calendar that holds it, so that one held
    // by several calendars is listed once: its UID, and for an occurrence of a series its
    // recurrence id as OccurrenceIdentity writes it. Empty when unknown: never taken as another.
    virtual std::string Identity() const { return {}; }
};

// The identity of an occurrence of the series `uid` (see AppointmentItem::Identity): "UID/" and
// the occurrence's original start, "YYYYMMDDTHHMMSSZ" in UTC when `utc`, else the wall-clock
// "YYYYMMDDTHHMMSS" of a date or floating time. Calendars that write the same recurrence id in
// different zones agree on it. Empty when `uid` is.
std::string OccurrenceIdentity(const std::string& uid, const LocalDateTime& start, bool utc);
// The recurrence id part of OccurrenceIdentity.
std::string RecurrenceIdText(const LocalDateTime& start, bool utc);

class RecurrencePattern {
  public:
    virtual ~RecurrencePattern() = default;

    // A moment whose time of day is the series' start time.
    virtual LocalDateTime StartTime() const = 0;

    // The occurrence that starts at exactly `start`; throws CalendarError when there is none.
    virtual std::unique_ptr<AppointmentItem> GetOccurrence(const LocalDateTime& start) const = 0;

    // Every occurrence whose start lies in [from, until), earliest first: rescheduled
    // occurrences at the moment they were moved to, cancelled and excluded ones left out.
    virtual std::vector<std::unique_ptr<AppointmentItem>> GetOccurrences(
        const LocalDateTime& from, const LocalDateTime& until) const = 0;
};

// A folder's items, enumerated in the folder's own order.
class ItemCollection {
  public:
    virtual ~ItemCollection() = default;

    // The first item, or null for an empty collection; restarts the enumeration.
    virtual std::unique_ptr<AppointmentItem> GetFirst() = 0;
    // The item after the one returned last, or null at the end.
    virtual std::unique_ptr<AppointmentItem> GetNext() = 0;

    // The items that may start in [from, until), in the same order: every item whose own start
    // lies in the range and every recurring series. Items that cannot start in the range are
    // left out, so a large calendar is not paid for in full; nothing that could is.
    virtual std::unique_ptr<ItemCollection> Restrict(const LocalDateTime& from,
                                                     const LocalDateTime& until) = 0;
};

class CalendarFolder {
  public:
    virtual ~CalendarFolder() = default;
    virtual std::unique_ptr<ItemCollection> Items() = 0;

    // What this folder and its item collections have left out so far because it could not be
    // read, such as a broken file among others: one message a user can read per problem, naming
    // the file and line. Empty when nothing was left out.
    virtual std::vector<std::string> ReadProblems() const = 0;
};

class CalendarNamespace {
  public:
    virtual ~CalendarNamespace() = default;
    static constexpr int kFolderCalendar = 9;
    virtual std::unique_ptr<CalendarFolder> GetDefaultFolder(int folderType) = 0;
};

class CalendarApplication {
  public:
    virtual ~CalendarApplication() = default;
    virtual std::unique_ptr<CalendarNamespace> GetNamespace(std::string_view type) = 0;
};

// Creates a new application object for every scan.
class CalendarApplicationFactory {
  public:
    virtual ~CalendarApplicationFactory() = default;
    virtual std::unique_ptr<CalendarApplication> CreateApplication() = 0;
};

}  // namespace agendix::scan
