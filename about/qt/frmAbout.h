#pragma once

#include <QDialog>
#include <QIcon>

#include "about/core/AboutBox.h"

class QLabel;
class QPushButton;

namespace agendix::about {

// The About box: title, version, description, copyright, the two contact links and a button
// that starts the system-information tool. Shown modally by the main window.
class frmAbout : public QDialog {
  public:
    frmAbout(const common::ApplicationInfo& app, const QIcon& mainWindowIcon, UrlOpener& links,
             Registry& registry, SysInfoPlatform& sysInfo, QWidget* owner = nullptr);

    void StartSysInfo();
    bool GetKeyValue(RegistryKey root, const std::string& keyName, const std::string& valueName,
                     std::string& keyValue);

  private:
    void CreateControls();
    void CentreOnOwner();
    void Form_Load(const QIcon& mainWindowIcon);
    void Label1_Click(int index);

    const common::ApplicationInfo& app_;
    UrlOpener& links_;
    Registry& registry_;
    SysInfoPlatform& sysInfo_;

    QLabel* picIcon_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QLabel* lblDisclaimer_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdSysInfo_ = nullptr;
};

}  // namespace agendix::about
