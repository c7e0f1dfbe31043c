#pragma once

// The WebDAV and CalDAV XML that a CalDAV calendar sends and reads: the PROPFIND and REPORT
// bodies, and the multistatus answers, read with QXmlStreamReader by namespace.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace agendix::scan {

// One <response> of a multistatus, with the properties its propstats found (status 200).
struct DavResource {
    QString href;
    int status = 0;  // of the response itself when it gave one (a missing resource), else 0
    bool isCollection = false;
    bool isCalendar = false;
    // From supported-calendar-component-set; true when the server does not say.
    bool holdsEvents = true;
    QString displayName;
    QString ctag;
    QString syncToken;
    QString etag;
    QString principal;     // current-user-principal
    QStringList homeSets;  // calendar-home-set
    std::optional<QString> calendarData;
};

// Reads a multistatus body; nullopt with `error` set when it is not one.
std::optional<std::vector<DavResource>> ParseMultistatus(const QByteArray& body, QString& error);

// PROPFIND body asking for what discovery and the change check need.
QByteArray DiscoveryPropfind();
// PROPFIND body asking for what tells a calendar home's calendars and their change tags.
QByteArray CollectionsPropfind();
// PROPFIND body asking only for the collection's change tags.
QByteArray TagPropfind();
// REPORT calendar-query body for the whole resources with events in [start, end) (UTC).
QByteArray EventsReport(const QDateTime& start, const QDateTime& end);

}  // namespace agendix::scan
