#include "scan/core/MergedCalendar.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "scan/core/PlainAppointments.h"

namespace agendix::scan {

std::string RecurrenceIdText(const LocalDateTime& start, bool utc) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d%s", start.date.year,
                  start.date.month, start.date.day, start.hour, start.minute, start.second,
                  utc ? "Z" : "");
    return text;
}

std::string OccurrenceIdentity(const std::string& uid, const LocalDateTime& start, bool utc) {
    return uid.empty() ? std::string() : uid + '/' + RecurrenceIdText(start, utc);
}

namespace {

// One of the calendars in a scan: its objects as far as they were opened, or that it failed.
struct Part {
    std::string name;
    std::unique_ptr<CalendarApplication> application;
    std::unique_ptr<CalendarNamespace> calendarNamespace;
    std::unique_ptr<CalendarFolder> folder;
    bool failed = false;
    std::string failure;  // for ReadProblems, once failed; empty while it is not ready
};

// What one scan reads of the calendars, shared by the merged objects.
class MergedReading {
  public:
    explicit MergedReading(const std::vector<NamedCalendar>& calendars) {
        for (const NamedCalendar& calendar : calendars) {
            Part& part = parts_.emplace_back();
            part.name = calendar.name;
            Attempt(part, [&] { part.application = calendar.calendar->CreateApplication(); });
        }
        ThrowIfAllFailed();
    }

    void OpenNamespaces(std::string_view type) {
        for (Part& part : parts_) {
            Attempt(part, [&] { part.calendarNamespace = part.application->GetNamespace(type); });
        }
        ThrowIfAllFailed();
    }

    void OpenFolders(int folderType) {
        for (Part& part : parts_) {
            Attempt(part,
                    [&] { part.folder = part.calendarNamespace->GetDefaultFolder(folderType); });
        }
        ThrowIfAllFailed();
    }

    // The appointments of every calendar that may start in [from, until), series expanded into
    // their occurrences there; the whole collections when `restricted` is false.
    std::vector<PlainAppointment> Appointments(bool restricted, const LocalDateTime& from,
                                               const LocalDateTime& until) {
        std::vector<PlainAppointment> merged;
        std::set<std::string> earlier;  // the identities of the calendars before
        for (Part& part : parts_) {
            std::vector<PlainAppointment> own;
            Attempt(part, [&] {
                auto items = part.folder->Items();
                if (restricted) {
                    own = ReadAppointmentsIn(*items, from, until);
                    return;
                }
                for (auto item = items->GetFirst(); item; item = items->GetNext()) {
                    own.push_back(ReadPlainAppointment(*item));
                }
            });
            if (part.failed) {
                continue;
            }
            std::vector<std::string> identities;
            for (PlainAppointment& appointment : own) {
                if (!appointment.identity.empty()) {
                    if (earlier.contains(appointment.identity)) {
                        continue;
                    }
                    identities.push_back(appointment.identity);
                }
                merged.push_back(std::move(appointment));
            }
            earlier.insert(identities.begin(), identities.end());
        }
        ThrowIfAllFailed();
        return merged;
    }

    std::vector<std::string> Problems() const {
        std::vector<std::string> problems;
        for (const Part& part : parts_) {
            if (part.failed) {
                if (!part.failure.empty()) {
                    AddOnce(problems, part.failure);
                }
            } else if (part.folder) {
                for (std::string& problem : part.folder->ReadProblems()) {
                    AddOnce(problems, std::move(problem));
                }
            }
        }
        return problems;
    }

  private:
    static void AddOnce(std::vector<std::string>& messages, std::string message) {
        if (std::find(messages.begin(), messages.end(), message) == messages.end()) {
            messages.push_back(std::move(message));
        }
    }

    template <typename Step>
    void Attempt(Part& part, Step step) {
        if (part.failed) {
            return;
        }
        try {
            step();
        } catch (const CalendarNotReady& error) {
            // Nothing can be said of it yet; its change notice follows once it can answer.
            part.failed = true;
            errors_.push_back(part.name + ": " + error.what());
        } catch (const CalendarError& error) {
            allNotReady_ = false;
            part.failed = true;
            part.failure = "The calendar \"" + part.name + "\" could not be read (" + error.what() +
                           "); its appointments are left out.";
            errors_.push_back(part.name + ": " + error.what());
        }
    }

    void ThrowIfAllFailed() const {
        if (std::all_of(parts_.begin(), parts_.end(),
                        [](const Part& part) { return part.failed; })) {
            std::string message = "No calendar could be read: ";
            for (std::size_t i = 0; i < errors_.size(); ++i) {
                message += (i == 0 ? "" : "; ") + errors_[i];
            }
            if (allNotReady_) {
                throw CalendarNotReady(message);
            }
            throw CalendarError(message);
        }
    }

    std::vector<Part> parts_;
    std::vector<std::string> errors_;  // for the failure of them all
    bool allNotReady_ = true;          // of those that failed
};

class MergedItems : public ItemCollection {
  public:
    explicit MergedItems(std::shared_ptr<MergedReading> reading) : reading_(std::move(reading)) {}

    std::unique_ptr<AppointmentItem> GetFirst() override { return All().GetFirst(); }
    std::unique_ptr<AppointmentItem> GetNext() override { return All().GetNext(); }
    std::unique_ptr<ItemCollection> Restrict(const LocalDateTime& from,
                                             const LocalDateTime& until) override {
        return std::make_unique<PlainCollection>(reading_->Appointments(true, from, until));
    }

  private:
    PlainCollection& All() {
        if (!all_) {
            all_ = std::make_unique<PlainCollection>(reading_->Appointments(false, {}, {}));
        }
        return *all_;
    }

    std::shared_ptr<MergedReading> reading_;
    std::unique_ptr<PlainCollection> all_;
};

class MergedFolder : public CalendarFolder {
  public:
    explicit MergedFolder(std::shared_ptr<MergedReading> reading) : reading_(std::move(reading)) {}
    std::unique_ptr<ItemCollection> Items() override {
        return std::make_unique<MergedItems>(reading_);
    }
    std::vector<std::string> ReadProblems() const override { return reading_->Problems(); }

  private:
    std::shared_ptr<MergedReading> reading_;
};

class MergedNamespace : public CalendarNamespace {
  public:
    explicit MergedNamespace(std::shared_ptr<MergedReading> reading)
        : reading_(std::move(reading)) {}
    std::unique_ptr<CalendarFolder> GetDefaultFolder(int folderType) override {
        reading_->OpenFolders(folderType);
        return std::make_unique<MergedFolder>(reading_);
    }

  private:
    std::shared_ptr<MergedReading> reading_;
};

class MergedApplication : public CalendarApplication {
  public:
    explicit MergedApplication(std::shared_ptr<MergedReading> reading)
        : reading_(std::move(reading)) {}
    std::unique_ptr<CalendarNamespace> GetNamespace(std::string_view type) override {
        reading_->OpenNamespaces(type);
        return std::make_unique<MergedNamespace>(reading_);
    }

  private:
    std::shared_ptr<MergedReading> reading_;
};

class NotedFolder : public CalendarFolder {
  public:
    NotedFolder(std::unique_ptr<CalendarFolder> folder, std::string note)
        : folder_(std::move(folder)), note_(std::move(note)) {}
    std::unique_ptr<ItemCollection> Items() override { return folder_->Items(); }
    std::vector<std::string> ReadProblems() const override {
        auto problems = folder_->ReadProblems();
        problems.push_back(note_);
        return problems;
    }

  private:
    std::unique_ptr<CalendarFolder> folder_;
    std::string note_;
};

class NotedNamespace : public CalendarNamespace {
  public:
    NotedNamespace(std::unique_ptr<CalendarNamespace> inner, std::string note)
        : inner_(std::move(inner)), note_(std::move(note)) {}
    std::unique_ptr<CalendarFolder> GetDefaultFolder(int folderType) override {
        return std::make_unique<NotedFolder>(inner_->GetDefaultFolder(folderType), note_);
    }

  private:
    std::unique_ptr<CalendarNamespace> inner_;
    std::string note_;
};

class NotedApplication : public CalendarApplication {
  public:
    NotedApplication(std::unique_ptr<CalendarApplication> inner, std::string note)
        : inner_(std::move(inner)), note_(std::move(note)) {}
    std::unique_ptr<CalendarNamespace> GetNamespace(std::string_view type) override {
        return std::make_unique<NotedNamespace>(inner_->GetNamespace(type), note_);
    }

  private:
    std::unique_ptr<CalendarApplication> inner_;
    std::string note_;
};

class MergedCalendar : public CalendarApplicationFactory {
  public:
    explicit MergedCalendar(std::vector<OwnedCalendar> calendars) : owned_(std::move(calendars)) {
        for (const OwnedCalendar& calendar : owned_) {
            named_.push_back({calendar.name, calendar.calendar.get()});
        }
    }
    std::unique_ptr<CalendarApplication> CreateApplication() override {
        return CreateMergedApplication(named_);
    }

  private:
    std::vector<OwnedCalendar> owned_;
    std::vector<NamedCalendar> named_;
};

}  // namespace

std::unique_ptr<CalendarApplication> CreateMergedApplication(
    const std::vector<NamedCalendar>& calendars) {
    if (calendars.empty()) {
        throw CalendarError("no calendar is named");
    }
    if (calendars.size() == 1) {
        return calendars.front().calendar->CreateApplication();
    }
    return std::make_unique<MergedApplication>(std::make_shared<MergedReading>(calendars));
}

std::unique_ptr<CalendarApplication> WithReadProblem(
    std::unique_ptr<CalendarApplication> application, std::string note) {
    return std::make_unique<NotedApplication>(std::move(application), std::move(note));
}

std::unique_ptr<CalendarApplicationFactory> MakeMergedCalendar(
    std::vector<OwnedCalendar> calendars) {
    return std::make_unique<MergedCalendar>(std::move(calendars));
}

}  // namespace agendix::scan
