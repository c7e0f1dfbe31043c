#pragma once

#include <QFont>
#include <QString>
#include <utility>

namespace agendix::controls {

// What the container tells a control about itself: the name it gave the control, its font, and
// whether it runs (true) or is being designed (false).
class AmbientProperties {
  public:
    virtual ~AmbientProperties() = default;
    virtual QString DisplayName() const = 0;
    virtual QFont Font() const = 0;
    virtual bool UserMode() const = 0;
};

// Ambient properties fixed when the container creates the control.
class FixedAmbientProperties : public AmbientProperties {
  public:
    FixedAmbientProperties(QString displayName, QFont font, bool userMode)
        : displayName_(std::move(displayName)), font_(std::move(font)), userMode_(userMode) {}

    QString DisplayName() const override { return displayName_; }
    QFont Font() const override { return font_; }
    bool UserMode() const override { return userMode_; }

  private:
    QString displayName_;
    QFont font_;
    bool userMode_;
};

}  // namespace agendix::controls
