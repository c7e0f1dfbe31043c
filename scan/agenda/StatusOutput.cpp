#include "StatusOutput.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cstdio>

namespace agendix::scan::agenda {

QByteArray StatusLine(const BarStatus& status) {
    const QString state = QString::fromUtf8(StateName(status.state));
    const QJsonObject object{
        {QStringLiteral("text"), QString::fromStdString(status.text)},
        {QStringLiteral("tooltip"), QString::fromStdString(status.tooltip)},
        {QStringLiteral("class"), state},
        {QStringLiteral("alt"), state},
        {QStringLiteral("percentage"), status.percentage},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool WriteOutput(const QByteArray& line) {
    const auto size = static_cast<std::size_t>(line.size());
    return std::fwrite(line.constData(), 1, size, stdout) == size && std::fflush(stdout) == 0;
}

}  // namespace agendix::scan::agenda
