#include "scan/qt/CalDavXml.h"

#include <QXmlStreamReader>

namespace agendix::scan {
namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
const QString kCalendarServer = QStringLiteral("http://calendarserver.org/ns/");

bool Is(const QXmlStreamReader& reader, const QString& ns, const char* name) {
    return reader.namespaceUri() == ns && reader.name() == QLatin1String(name);
}

// "HTTP/1.1 200 OK" → 200; 0 when unreadable.
int StatusCode(const QString& line) {
    const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return parts.size() >= 2 ? parts[1].toInt() : 0;
}

// The text of each <D:href> child of the current element.
QStringList Hrefs(QXmlStreamReader& reader) {
    QStringList hrefs;
    while (reader.readNextStartElement()) {
        if (Is(reader, kDav, "href")) {
            hrefs << reader.readElementText().trimmed();
        } else {
            reader.skipCurrentElement();
        }
    }
    return hrefs;
}

void ReadProp(QXmlStreamReader& reader, DavResource& into) {
    while (reader.readNextStartElement()) {
        if (Is(reader, kDav, "resourcetype")) {
            while (reader.readNextStartElement()) {
                into.isCollection |= Is(reader, kDav, "collection");
                into.isCalendar |= Is(reader, kCalDav, "calendar");
                reader.skipCurrentElement();
            }
        } else if (Is(reader, kDav, "displayname")) {
            into.displayName = reader.readElementText();
        } else if (Is(reader, kCalendarServer, "getctag")) {
            into.ctag = reader.readElementText().trimmed();
        } else if (Is(reader, kDav, "sync-token")) {
            into.syncToken = reader.readElementText().trimmed();
        } else if (Is(reader, kDav, "getetag")) {
            into.etag = reader.readElementText().trimmed();
        } else if (Is(reader, kDav, "current-user-principal")) {
            const QStringList hrefs = Hrefs(reader);
            if (!hrefs.isEmpty()) {
                into.principal = hrefs.first();
            }
        } else if (Is(reader, kCalDav, "calendar-home-set")) {
            into.homeSets = Hrefs(reader);
        } else if (Is(reader, kCalDav, "supported-calendar-component-set")) {
            bool events = false;
            while (reader.readNextStartElement()) {
                events |=
                    Is(reader, kCalDav, "comp") &&
                    reader.attributes().value(QLatin1String("name")) == QLatin1String("VEVENT");
                reader.skipCurrentElement();
            }
            into.holdsEvents = events;
        } else if (Is(reader, kCalDav, "calendar-data")) {
            into.calendarData = reader.readElementText();
        } else {
            reader.skipCurrentElement();
        }
    }
}

// A propstat's properties count only when its status is 200.
void ReadPropstat(QXmlStreamReader& reader, DavResource& into) {
    DavResource found;
    int status = 0;
    while (reader.readNextStartElement()) {
        if (Is(reader, kDav, "prop")) {
            ReadProp(reader, found);
        } else if (Is(reader, kDav, "status")) {
            status = StatusCode(reader.readElementText());
        } else {
            reader.skipCurrentElement();
        }
    }
    if (status != 200) {
        return;
    }
    into.isCollection |= found.isCollection;
    into.isCalendar |= found.isCalendar;
    into.holdsEvents = into.holdsEvents && found.holdsEvents;
    for (auto [field, value] : {std::pair{&into.displayName, &found.displayName},
                                {&into.ctag, &found.ctag},
                                {&into.syncToken, &found.syncToken},
                                {&into.etag, &found.etag},
                                {&into.principal, &found.principal}}) {
        if (!value->isEmpty()) {
            *field = *value;
        }
    }
    into.homeSets << found.homeSets;
    if (found.calendarData) {
        into.calendarData = found.calendarData;
    }
}

DavResource ReadResponse(QXmlStreamReader& reader) {
    DavResource resource;
    while (reader.readNextStartElement()) {
        if (Is(reader, kDav, "href")) {
            resource.href = reader.readElementText().trimmed();
        } else if (Is(reader, kDav, "status")) {
            resource.status = StatusCode(reader.readElementText());
        } else if (Is(reader, kDav, "propstat")) {
            ReadPropstat(reader, resource);
        } else {
            reader.skipCurrentElement();
        }
    }
    return resource;
}

QString UtcStamp(const QDateTime& moment) {
    return moment.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

}  // namespace

std::optional<std::vector<DavResource>> ParseMultistatus(const QByteArray& body, QString& error) {
    QXmlStreamReader reader(body);
    std::vector<DavResource> resources;
    if (!reader.readNextStartElement() || !Is(reader, kDav, "multistatus")) {
        error = reader.hasError() ? reader.errorString()
                                  : QStringLiteral("the answer is not a WebDAV multistatus");
        return std::nullopt;
    }
    while (reader.readNextStartElement()) {
        if (Is(reader, kDav, "response")) {
            resources.push_back(ReadResponse(reader));
        } else {
            reader.skipCurrentElement();
        }
    }
    if (reader.hasError()) {
        error = QStringLiteral("unreadable multistatus, line %1: %2")
                    .arg(reader.lineNumber())
                    .arg(reader.errorString());
        return std::nullopt;
    }
    return resources;
}

QByteArray DiscoveryPropfind() {
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<D:propfind xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\" "
        "xmlns:CS=\"http://calendarserver.org/ns/\"><D:prop>"
        "<D:resourcetype/><D:displayname/><D:current-user-principal/><C:calendar-home-set/>"
        "<C:supported-calendar-component-set/><CS:getctag/><D:sync-token/>"
        "</D:prop></D:propfind>\n");
}

QByteArray CollectionsPropfind() {
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<D:propfind xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\" "
        "xmlns:CS=\"http://calendarserver.org/ns/\"><D:prop>"
        "<D:resourcetype/><D:displayname/><C:supported-calendar-component-set/>"
        "<CS:getctag/><D:sync-token/></D:prop></D:propfind>\n");
}

QByteArray TagPropfind() {
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<D:propfind xmlns:D=\"DAV:\" xmlns:CS=\"http://calendarserver.org/ns/\"><D:prop>"
        "<CS:getctag/><D:sync-token/></D:prop></D:propfind>\n");
}

QByteArray EventsReport(const QDateTime& start, const QDateTime& end) {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
               "<C:calendar-query xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
               "<D:prop><D:getetag/><C:calendar-data/></D:prop>"
               "<C:filter><C:comp-filter name=\"VCALENDAR\"><C:comp-filter name=\"VEVENT\">"
               "<C:time-range start=\"%1\" end=\"%2\"/>"
               "</C:comp-filter></C:comp-filter></C:filter></C:calendar-query>\n")
        .arg(UtcStamp(start), UtcStamp(end))
        .toUtf8();
}

}  // namespace agendix::scan
