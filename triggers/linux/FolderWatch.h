#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "triggers/core/WatchTarget.h"
#include "triggers/linux/UniqueFd.h"

namespace agendix::triggers {

// Tells when an entry of a watched folder is written, created, deleted or renamed. One inotify
// watch per folder sees what a watch on a file misses: a rename over the file (editors,
// synchronisers) and a delete-and-recreate. A burst of changes ends in one Changed, 300 ms after
// the last of them. The targets are asked for again after every burst, before Changed, since a
// change may move them; a folder that does not exist yet is waited for in its nearest existing
// ancestor. Without inotify (no instances left) it warns once and stays silent.
class FolderWatch : public QObject {
    Q_OBJECT

  public:
    using Targets = std::function<std::vector<WatchTarget>()>;

    // `why` is what Changed says.
    FolderWatch(Targets targets, QString why, QObject* parent = nullptr);

  signals:
    void Changed(const QString& why);

  private:
    using Watches = std::map<int, std::vector<WatchTarget>>;  // by watch descriptor

    void Arm();
    void Watch(const WatchTarget& target, Watches& watches) const;
    void ReadEvents();
    bool Counts(std::uint32_t mask, int watch, const char* name) const;

    Targets targets_;
    QString why_;
    UniqueFd inotify_;
    Watches watches_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer settle_;
};

}  // namespace agendix::triggers
