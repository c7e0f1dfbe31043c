#pragma once

// The calendar of a groupware program read through its automation object model, late bound: the
// application object is created by its program identifier for every scan, and every member is
// called by name through IDispatch. Dates are the object model's local DATE values, texts its
// BSTRs, handed on as UTF-8.
//
// COM: each application object initialises COM on the calling thread as a single-threaded
// apartment for as long as it or any object it handed out lives, and leaves it as it was found;
// a thread that already runs COM (in either model) is used as it is. The objects belong to the
// thread that created them (in the notification-area program, the worker thread of its
// BackgroundCalendar; the program may take long to answer).
//
// Every failure (the program not installed or not answering, a member that raised an error)
// throws CalendarError whose message names the program identifier and the member.

#include <memory>
#include <string>

#include "scan/core/CalendarSource.h"

namespace agendix::scan {

// The calendar of the automation server registered as `programId` ("Outlook.Application" for
// the groupware program itself).
std::unique_ptr<CalendarApplicationFactory> MakeAutomationCalendar(std::wstring programId);

}  // namespace agendix::scan
