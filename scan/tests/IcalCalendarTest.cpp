// Scans of small calendars through the whole object model, as the tray would show them.

#include <chrono>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "common/tests/TurkishLocale.h"
#include "scan/tests/IcalTestSupport.h"

namespace agendix::scan::testing {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

constexpr CalendarDate kMonday{2026, 12, 7};

TEST(IcalZones, TimesFollowTheZoneOfTheEventAcrossDaylightSavingChanges) {
    const ScopedTimeZone berlin("Europe/Berlin");
    Agenda agenda(TestData("zones_and_daylight_saving.ics"));
    // New York changes its clocks on 8 March, Berlin on 29 March.
    EXPECT_EQ(agenda.Scan({2026, 3, 2}, false).text, " [15:00 - 16:00] New York stand-up ()\n\n");
    EXPECT_EQ(agenda.Scan({2026, 3, 9}, false).text,
              " [14:00 - 15:00] New York stand-up ()\n"
              " [14:00 - 14:30] Custom zone call ()\n\n");
    EXPECT_EQ(agenda.Scan({2026, 3, 30}, false).text,
              " [15:00 - 16:00] New York stand-up ()\n"
              " [02:30 - 03:00] Night job ()\n\n");
}

TEST(IcalZones, NonexistentAndAmbiguousLocalTimes) {
    const ScopedTimeZone berlin("Europe/Berlin");
    Agenda agenda(TestData("zones_and_daylight_saving.ics"));
    // A rule's instance in the gap is ignored and not counted (COUNT=4 reaches 31 March); a
    // start written in the gap takes the offset from before it.
    const Balloon gapDay = agenda.Scan({2026, 3, 29}, false);
    EXPECT_THAT(gapDay.text, Not(HasSubstr("Night job")));
    EXPECT_THAT(gapDay.text, HasSubstr(" [03:30 - 04:00] Gap start ()\n"));
    EXPECT_THAT(agenda.Scan({2026, 3, 31}, false).text, HasSubstr("Night job"));
    EXPECT_THAT(agenda.Scan({2026, 4, 1}, false).text, Not(HasSubstr("Night job")));

    // 02:30 summer time comes first; the end, 03:30, exists only in winter time: two hours.
    const ScopedTimeZone utc("UTC");
    EXPECT_EQ(agenda.Scan({2026, 10, 25}, false).text,
              " [00:30 - 02:30] Twice half past two ()\n\n");
}

TEST(IcalZones, DateTimeEndsAreExactAndDayDurationsNominal) {
    const ScopedTimeZone berlin("Europe/Berlin");
    Agenda agenda(TestData("zones_and_daylight_saving.ics"));
    EXPECT_THAT(agenda.Scan({2026, 3, 28}, false).text,
                AllOf(HasSubstr(" [12:00 - 13:00] Exact day ()\n"),
                      HasSubstr(" [18:00 - 18:00] Nominal day ()\n")));
    // UNTIL is inclusive; the day after it has nothing.
    EXPECT_THAT(agenda.Scan({2026, 3, 29}, false).text, HasSubstr("Exact day"));
    EXPECT_THAT(agenda.Scan({2026, 3, 30}, false).text, Not(HasSubstr("Exact day")));
}

TEST(IcalZones, FloatingTimesStayUtcIsConvertedUnknownZonesAreLocal) {
    const ScopedTimeZone newYork("America/New_York");
    Agenda agenda(TestData("floating_and_utc.ics"));
    EXPECT_EQ(agenda.Scan(kMonday, false).text,
              " [09:00 - 10:00] Floating ()\n"
              " [07:00 - 07:45] Utc ()\n"
              " [15:00 - 15:00] Unknown zone ()\n\n");
}

TEST(IcalAllDay, AllDayEventsRunFromMidnightToMidnightOnTheirStartDayOnly) {
    const ScopedTimeZone tokyo("Asia/Tokyo");
    Agenda agenda(TestData("all_day.ics"));
    const Balloon balloon = agenda.Scan(kMonday);
    EXPECT_EQ(balloon.title, "Today:");
    EXPECT_EQ(balloon.text,
              " [00:00 - 00:00] Holiday ()\n\nTomorrow:\n [00:00 - 00:00] Birthday ()\n\n");
}

TEST(IcalAllDay, RecurringAllDayOccurrencesLastOneDay) {
    const ScopedTimeZone berlin("Europe/Berlin");
    Agenda agenda(TestData("all_day.ics"));
    auto items = agenda.Calendar()
                     .CreateApplication()
                     ->GetNamespace("MAPI")
                     ->GetDefaultFolder(CalendarNamespace::kFolderCalendar)
                     ->Items();
    std::unique_ptr<AppointmentItem> birthday;
    for (auto item = items->GetFirst(); item; item = items->GetNext()) {
        if (item->Subject() == "Birthday") {
            birthday = std::move(item);
        }
    }
    ASSERT_TRUE(birthday && birthday->IsRecurring());
    const auto occurrences = birthday->GetRecurrencePattern()->GetOccurrences(
        StartOfDay({2026, 12, 8}), StartOfDay({2026, 12, 9}));
    ASSERT_EQ(occurrences.size(), 1u);
    EXPECT_EQ(occurrences[0]->Start(), StartOfDay({2026, 12, 8}));
    EXPECT_EQ(occurrences[0]->End(), StartOfDay({2026, 12, 9}));
}

TEST(IcalSeries, OverridesExceptionsAndExtraDates) {
    const ScopedTimeZone berlin("Europe/Berlin");
    Agenda agenda(TestData("overrides_exdate_rdate.ics"));
    // An RDATE equal to a rule instance counts once; EXDATE removes the Tuesday.
    EXPECT_EQ(agenda.Scan(kMonday).text,
              " [10:00 - 11:00] Weekly (Room 1)\n"
              " [09:00 - 09:15] Pills ()\n"
              " [17:00 - 17:15] Pills ()\n\n"
              "Tomorrow:\n"
              " [09:00 - 09:15] Pills ()\n"
              " [17:00 - 17:15] Pills ()\n\n");
    // Moved within the day (override texts fall back to the series' location); an override
    // whose series is absent is an appointment of its own; cancelled events give no line.
    EXPECT_EQ(agenda.Scan({2026, 12, 9}, false).text,
              " [16:00 - 16:30] Weekly (moved) (Room 1)\n"
              " [12:00 - 12:15] Orphan override ()\n"
              " [09:00 - 09:15] Pills ()\n"
              " [17:00 - 17:15] Pills ()\n\n");
    // Thursday's occurrence (its RECURRENCE-ID in UTC) moved to Friday morning.
    EXPECT_THAT(agenda.Scan({2026, 12, 10}, false).text, Not(HasSubstr("Weekly")));
    EXPECT_THAT(agenda.Scan({2026, 12, 11}, false).text,
                HasSubstr(" [08:00 - 09:00] Weekly (a day later) (Room 9)\n"
                          " [10:00 - 11:00] Weekly (Room 1)\n"));
    EXPECT_THAT(agenda.Scan({2026, 12, 12}, false).text, HasSubstr("[10:00 - 11:00] Weekly"));
    EXPECT_THAT(agenda.Scan({2026, 12, 14}, false).text, Not(HasSubstr("Weekly")));
}

TEST(IcalText, Utf8SurvivesFoldsEscapesCrLfAndByteOrderMark) {
    Agenda crlf(TestData("folded_utf8_escapes_crlf.ics"));
    EXPECT_EQ(crlf.Scan(kMonday).text,
              " [08:00 - 08:30] Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\x89 a, b; c\\ "
              "d\nnext (M\xC3\xBCnchen, Stra\xC3\x9F"
              "e)\n\n");
    Agenda lf(TestData("bom_lf.ics"));
    EXPECT_EQ(lf.Scan(kMonday).text,
              " [08:15 - 08:30] \xC3\x9C"
              "bung (K\xC3\xB6ln)\n\n");
}

// Only the event's own properties count: not those of its alarm, nor others that look alike.
TEST(IcalText, AnEventIsReadFromItsOwnPropertiesOnly) {
    TemporaryCalendar folder;
    folder.Write(
        Calendar("BEGIN:VEVENT\nUID:x\nDTSTAMP:20260101T000000Z\nX-SUMMARY:not the subject\n"
                 "DESCRIPTION:text\\; with: separators\n"
                 "BEGIN:VALARM\nACTION:DISPLAY\nSUMMARY:alarm\nDTSTART:20261207T080000\n"
                 "TRIGGER:-PT15M\nend:valarm\n"
                 "summary;language=en:Budget\n  review\nLOCATION;ALTREP=\"cid:room:1\":Room 1\n"
                 "DTSTART:20261207T090000\nDURATION:PT1H\nEND:VEVENT\n"));
    Agenda agenda(folder.File());
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 10:00] Budget review (Room 1)\n\n");
}

// Blanks around a text belong to it (RFC 5545), through folds, escapes and parameters.
TEST(IcalText, BlanksAroundSubjectsAndLocationsAreKept) {
    TemporaryCalendar folder;
    folder.Write(
        Calendar("BEGIN:VEVENT\nUID:a\nDTSTART:20261207T090000\nDURATION:PT1H\n"
                 "SUMMARY:  Stand-up\t \nLOCATION:   \nEND:VEVENT\n"
                 "BEGIN:VEVENT\nUID:b\nDTSTART:20261207T100000\nDURATION:PT1H\n"
                 "SUMMARY;LANGUAGE=de: Plan\n  ung \nLOCATION;ALTREP=\"cid:a:b\":\tRoom\\, 2\\N \n"
                 "END:VEVENT\n"));
    std::string lf = Calendar(
        "BEGIN:VEVENT\nUID:c\nDTSTART:20261207T110000\n"
        "SUMMARY:\\\\ x \\; \nLOCATION:\nEND:VEVENT\n");
    std::erase(lf, '\r');
    folder.Write("lf.ics", lf);
    EXPECT_EQ(Agenda(folder.File()).Scan(kMonday, false).text,
              " [09:00 - 10:00]   Stand-up\t  (   )\n"
              " [10:00 - 11:00]  Plan ung  (\tRoom, 2\n )\n\n");
    EXPECT_EQ(Agenda(folder.Folder() / "lf.ics").Scan(kMonday, false).text,
              " [11:00 - 11:00] \\ x ;  ()\n\n");
}

// Texts are read as libical reads them, which ends them at a NUL byte, escapes or none.
TEST(IcalText, ATextEndsAtANulByte) {
    TemporaryCalendar folder;
    using namespace std::string_literals;
    folder.Write(
        Calendar("BEGIN:VEVENT\nUID:n\nDTSTART:20261207T090000\nSUMMARY:Budget\0 review\n"
                 "LOCATION:Room\\, 2\0 or 3\nEND:VEVENT\n"s));
    EXPECT_EQ(Agenda(folder.File()).Scan(kMonday, false).text,
              " [09:00 - 09:00] Budget (Room, 2)\n\n");
}

TEST(IcalFolder, VdirFilesComeInNameOrderSkippingHiddenAndOtherFiles) {
    Agenda agenda(TestData("vdir"));
    EXPECT_EQ(agenda.Scan(kMonday).text,
              " [17:00 - 18:00] First file ()\n [08:00 - 09:00] Second file ()\n\n");
}

TEST(IcalFolder, BrokenFilesFailWithFileAndLine) {
    const struct {
        const char* file;
        const char* message;
    } cases[] = {
        {"broken_unclosed_event.ics",
         ", line 7: END:VCALENDAR does not close BEGIN:VEVENT of line 3"},
        {"broken_no_dtstart.ics", ", line 3: the event has no valid DTSTART"},
        {"broken_not_icalendar.ics", ", line 1: not iCalendar data"},
    };
    for (const auto& broken : cases) {
        Agenda agenda(TestData(broken.file));
        try {
            agenda.Scan(kMonday);
            ADD_FAILURE() << broken.file << " was accepted";
        } catch (const CalendarError& error) {
            EXPECT_THAT(error.what(), AllOf(HasSubstr(broken.file), HasSubstr(broken.message)));
        }
    }
}

// A named pipe or a device named as the calendar is refused at once instead of holding the scan.
TEST(IcalFolder, ACalendarThatIsNoRegularFileIsAnErrorAtOnce) {
    const TemporaryCalendar folder;
    const std::filesystem::path pipe = folder.Folder() / "pipe.ics";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::filesystem::path& calendar : {pipe, std::filesystem::path("/dev/zero")}) {
        Agenda agenda(calendar);
        try {
            agenda.Scan(kMonday);
            ADD_FAILURE() << calendar << " was read";
        } catch (const CalendarError& error) {
            EXPECT_THAT(error.what(), ::testing::HasSubstr("not a regular file"));
        }
    }
}

TEST(IcalFolder, UnreadableFilesOfAFolderAreLeftOutAndNamed) {
    const TemporaryCalendar folder;
    const auto event = [](const char* subject) {
        return Calendar(std::string("BEGIN:VEVENT\nUID:") + subject +
                        "\nDTSTART:20261207T090000\nSUMMARY:" + subject + "\nEND:VEVENT\n");
    };
    folder.Write("a.ics", event("Good"));
    std::filesystem::copy_file(TestData("broken_unclosed_event.ics"), folder.Folder() / "b.ics");
    std::filesystem::copy_file(TestData("broken_not_icalendar.ics"), folder.Folder() / "c.ics");
    std::filesystem::copy_file(TestData("broken_no_dtstart.ics"), folder.Folder() / "d.ics");
    std::filesystem::create_symlink("e.ics", folder.Folder() / "e.ics");  // a loop
    const std::string path = folder.Folder().string() + "/";
    Agenda agenda(folder.Folder());
    for (int scan = 0; scan < 2; ++scan) {
        EXPECT_EQ(agenda.Scan(kMonday).text, " [09:00 - 09:00] Good ()\n\n");
        EXPECT_THAT(
            agenda.ReadProblems(),
            ::testing::ElementsAre(
                "The calendar file \"" + path +
                    "b.ics\" could not be read (line 7: END:VCALENDAR does not close "
                    "BEGIN:VEVENT of line 3); its appointments are left out.",
                "The calendar file \"" + path +
                    "c.ics\" could not be read (line 1: not iCalendar data (expected "
                    "BEGIN:VCALENDAR)); its appointments are left out.",
                "The calendar file \"" + path +
                    "e.ics\" could not be read (Too many levels of symbolic links); its "
                    "appointments are left out.",
                "An appointment in the calendar file \"" + path +
                    "d.ics\" could not be read (line 3: the event has no valid DTSTART); it is "
                    "left out."));
    }
    // A file that is mended is read at the next scan.
    folder.Write("b.ics", event("Mended"));
    EXPECT_EQ(agenda.Scan(kMonday).text,
              " [09:00 - 09:00] Good ()\n [09:00 - 09:00] Mended ()\n\n");
    EXPECT_EQ(agenda.ReadProblems().size(), 3u);
}

// A series is read with its overrides before it is listed: in a folder an unreadable override
// leaves the series out, told; in a single file it is an error, as the file is broken.
TEST(IcalFolder, AnUnreadableSeriesIsLeftOutOfAFolderButFailsASingleFile) {
    const TemporaryCalendar folder;
    folder.Write(
        Calendar("BEGIN:VEVENT\nUID:s\nDTSTART:20261201T090000\nRRULE:FREQ=DAILY\n"
                 "SUMMARY:Daily\nEND:VEVENT\n"
                 "BEGIN:VEVENT\nUID:s\nRECURRENCE-ID:20261208T090000\nDTSTART:20261308T100000\n"
                 "SUMMARY:Moved\nEND:VEVENT\n"));
    Agenda inFolder(folder.Folder());
    EXPECT_EQ(inFolder.Scan(kMonday).title, "No Appointments");
    EXPECT_THAT(inFolder.ReadProblems(),
                ::testing::ElementsAre(
                    "An appointment in the calendar file \"" + folder.File().string() +
                    "\" could not be read (line 10: the event's DTSTART is not a valid date or "
                    "date-time); it is left out."));
    Agenda single(folder.File());
    EXPECT_THAT([&] { single.Scan(kMonday); },
                ::testing::ThrowsMessage<CalendarError>(HasSubstr(", line 10: ")));
}

// The character classes of the C library follow the locale, which the program takes from the
// user's environment; a Turkish one does not lower 'I' to 'i'.
TEST(IcalFolder, FileNamesAreMatchedAlikeInEveryLocale) {
    const common::testing::ScopedTurkishLocale turkish;
    if (!turkish.Active()) {
        GTEST_SKIP() << "no Turkish locale is installed";
    }
    const TemporaryCalendar folder;
    folder.Write("WORK.ICS", Calendar("BEGIN:VEVENT\nUID:w\nDTSTART:20261207T090000\nSUMMARY:Work\n"
                                      "END:VEVENT\n"));
    EXPECT_EQ(Agenda(folder.Folder()).Scan(kMonday).text, " [09:00 - 09:00] Work ()\n\n");
}

TEST(IcalFolder, MissingDefaultIsEmptyButMissingNamedCalendarIsAnError) {
    const TemporaryCalendar folder;
    Agenda missingDefault(folder.File(), true);
    EXPECT_EQ(missingDefault.Scan(kMonday).title, "No Appointments");
    Agenda missingNamed(folder.File(), false);
    EXPECT_THAT([&] { missingNamed.Scan(kMonday); },
                ::testing::ThrowsMessage<CalendarError>(
                    AllOf(HasSubstr(folder.File().string()), HasSubstr("does not exist"))));
}

TEST(IcalFolder, EveryScanSeesTheFileAsItIsNow) {
    const TemporaryCalendar folder;
    const auto event = [](const char* subject) {
        return Calendar(std::string("BEGIN:VEVENT\nUID:e\nDTSTART:20261207T090000\nSUMMARY:") +
                        subject + "\nEND:VEVENT\n");
    };
    folder.Write(event("Old"));
    Agenda agenda(folder.File());
    EXPECT_EQ(agenda.Scan(kMonday).text, " [09:00 - 09:00] Old ()\n\n");
    // Same size and the modification time set back: the status change time tells them apart
    // (after a pause longer than the file system's clock tick).
    const auto modified = std::filesystem::last_write_time(folder.File());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    folder.Write(event("New"));
    std::filesystem::last_write_time(folder.File(), modified);
    EXPECT_EQ(agenda.Scan(kMonday).text, " [09:00 - 09:00] New ()\n\n");
    std::filesystem::remove(folder.File());
    EXPECT_THROW(agenda.Scan(kMonday), CalendarError);
}

TEST(IcalFolder, AFileThatVanishesFromAFolderIsLeftOut) {
    const TemporaryCalendar folder;
    const auto event = [](const char* uid, const char* subject) {
        return Calendar(std::string("BEGIN:VEVENT\nUID:") + uid +
                        "\nDTSTART:20261207T090000\nSUMMARY:" + subject + "\nEND:VEVENT\n");
    };
    std::ofstream(folder.Folder() / "a.ics") << event("a", "Stays");
    std::ofstream(folder.Folder() / "b.ics") << event("b", "Goes");
    Agenda agenda(folder.Folder());
    EXPECT_EQ(agenda.Scan(kMonday).text, " [09:00 - 09:00] Stays ()\n [09:00 - 09:00] Goes ()\n\n");
    // A dangling link is listed with the folder but cannot be found: as when a synchroniser
    // removes a file between the listing and its reading.
    std::filesystem::remove(folder.Folder() / "b.ics");
    std::filesystem::create_symlink(folder.Folder() / "gone.ics", folder.Folder() / "b.ics");
    EXPECT_EQ(agenda.Scan(kMonday).text, " [09:00 - 09:00] Stays ()\n\n");
}

TEST(IcalFolder, AChangedLocalZoneIsSeenAtTheNextScan) {
    const TemporaryCalendar folder;
    folder.Write(
        Calendar("BEGIN:VEVENT\nUID:u\nDTSTART:20261201T030000Z\nDTEND:20261201T040000Z\n"
                 "RRULE:FREQ=DAILY\nSUMMARY:Call\nEND:VEVENT\n"));
    Agenda agenda(folder.File());
    {
        const ScopedTimeZone utc("UTC");
        EXPECT_EQ(agenda.Scan(kMonday).text,
                  " [03:00 - 04:00] Call ()\n\nTomorrow:\n [03:00 - 04:00] Call ()\n\n");
    }
    // The same days in New York hold the calls of the next UTC mornings.
    const ScopedTimeZone newYork("America/New_York");
    EXPECT_EQ(agenda.Scan(kMonday).text,
              " [22:00 - 23:00] Call ()\n\nTomorrow:\n [22:00 - 23:00] Call ()\n\n");
}

TEST(IcalZones, AnEnormousDurationEndsLateButNotBeforeItsStart) {
    const TemporaryCalendar folder;
    folder.Write(
        Calendar("BEGIN:VEVENT\nUID:d\nDTSTART:20261207T090000\nDURATION:P999999999W\n"
                 "SUMMARY:Forever\nEND:VEVENT\n"
                 // 2^32 seconds and 44 more: 49,710 days, 6 hours and 29 minutes.
                 "BEGIN:VEVENT\nUID:m\nDTSTART:20261207T090000\nDURATION:PT71582789M\n"
                 "SUMMARY:Minutes\nEND:VEVENT\n"
                 // Some 114,000 years, held to the longest span kept, which is whole days.
                 "BEGIN:VEVENT\nUID:h\nDTSTART:20261207T090000\nDURATION:PT999999999H59M59S\n"
                 "SUMMARY:Hours\nEND:VEVENT\n"));
    Agenda agenda(folder.File());
    EXPECT_THAT(agenda.Scan(kMonday, false).text, HasSubstr("[09:00 - 09:00] Forever"));
    EXPECT_THAT(agenda.Scan(kMonday, false).text,
                AllOf(HasSubstr("[09:00 - 15:29] Minutes"), HasSubstr("[09:00 - 09:00] Hours")));
}

TEST(IcalFolder, ObjectModelRefusesOtherNamespacesAndFolders) {
    Agenda agenda(TestData("vdir"));
    auto application = agenda.Calendar().CreateApplication();
    EXPECT_THROW(application->GetNamespace("IMAP"), CalendarError);
    EXPECT_THROW(application->GetNamespace("MAPI")->GetDefaultFolder(6), CalendarError);
}

}  // namespace
}  // namespace agendix::scan::testing
