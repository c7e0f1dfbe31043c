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
             SysInfoTool& sysInfo, QWidget* owner = nullptr);

    void StartSysInfo();

  private:
    void CreateControls();
    void CentreOnOwner();
    void Form_Load(const QIcon& mainWindowIcon);
    void Label1_Click(int index);

    const common::ApplicationInfo& app_;
    UrlOpener& links_;
    SysInfoTool& sysInfo_;

    QLabel* picIcon_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QLabel* lblDisclaimer_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdSysInfo_ = nullptr;
};

}  // namespace agendix::about
