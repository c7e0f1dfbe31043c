#include "about/qt/frmAbout.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "about/qt/AboutWidgets.h"
#include "controls/host/qt/QtMessageService.h"

namespace agendix::about {
namespace {

QLabel* Picture(const QString& name, const QPixmap& pixmap, QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setPixmap(pixmap);
    picture->setFixedSize(pixmap.size());
    return picture;
}

QLabel* Label(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QFont ControlFont(bool bold, bool underlined) {
    QFont font = FontOrSansSerif(QStringLiteral("MS Sans Serif"), 8.25);
    font.setBold(bold);
    font.setUnderline(underlined);
    return font;
}

}  // namespace

frmAbout::frmAbout(const common::ApplicationInfo& app, const QIcon& mainWindowIcon,
                   UrlOpener& links, SysInfoTool& sysInfo, QWidget* owner)
    : QDialog(owner), app_(app), links_(links), sysInfo_(sysInfo) {
    setObjectName(QStringLiteral("frmAbout"));
    CreateControls();
    Form_Load(mainWindowIcon);
    CentreOnOwner();
}

// Over the middle of the owner, which may be hidden while the box is open (the toolkit would
// then place the box at the screen's corner).
void frmAbout::CentreOnOwner() {
    if (parentWidget()) {
        adjustSize();
        move(parentWidget()->frameGeometry().center() - rect().center());
    }
}

void frmAbout::CreateControls() {
    picIcon_ =
        Picture(QStringLiteral("picIcon"),
                style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32), this);
    lblTitle_ = Label(QStringLiteral("lblTitle"), QStringLiteral("Title"), this);
    lblTitle_->setFont(FontOrSansSerif(QStringLiteral("Arial"), 14.25));
    lblVersion_ = Label(QStringLiteral("lblVersion"), QStringLiteral("Version"), this);
    lblVersion_->setFont(ControlFont(true, false));
    lblDescription_ =
        Label(QStringLiteral("lblDescription"), QStringLiteral("App Description"), this);
    lblDescription_->setWordWrap(true);
    auto* line = new EtchedLine(this);
    line->setObjectName(QStringLiteral("Line1"));
    lblDisclaimer_ = Label(QStringLiteral("lblDisclaimer"), QStringLiteral("Warning: ..."), this);

    auto* mailLink = new LinkLabel(
        QString::fromLatin1(kAuthorMail), [this] { Label1_Click(0); }, this);
    mailLink->setObjectName(QStringLiteral("Label1_0"));
    mailLink->setFont(ControlFont(false, true));
    auto* webLink = new LinkLabel(
        QString::fromLatin1(kHomePage), [this] { Label1_Click(1); }, this);
    webLink->setObjectName(QStringLiteral("Label1_1"));
    webLink->setFont(ControlFont(false, true));

    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);  // Enter; Escape closes the dialog as well
    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
    cmdSysInfo_ = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo_->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdSysInfo_, &QPushButton::clicked, this, [this] { StartSysInfo(); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(picIcon_, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(lblTitle_, 0, 1, 1, 3);
    grid->addWidget(lblVersion_, 1, 1, 1, 3);
    grid->addWidget(lblDescription_, 2, 1, 1, 3);
    grid->addWidget(line, 3, 0, 1, 4);
    grid->addWidget(
        Picture(QStringLiteral("Image1"), QPixmap(QStringLiteral(":/about/mail.xpm")), this), 4, 0,
        Qt::AlignCenter);
    grid->addWidget(mailLink, 4, 1);
    grid->addWidget(
        Picture(QStringLiteral("Image2"), QPixmap(QStringLiteral(":/about/web.xpm")), this), 5, 0,
        Qt::AlignCenter);
    grid->addWidget(webLink, 5, 1);
    grid->addWidget(lblDisclaimer_, 6, 0, 2, 2, Qt::AlignTop);
    grid->addWidget(cmdOK_, 6, 3);
    grid->addWidget(cmdSysInfo_, 7, 3);
    grid->setColumnStretch(2, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void frmAbout::Form_Load(const QIcon& mainWindowIcon) {
    const AboutTexts texts = LoadTexts(app_);
    setWindowTitle(QString::fromStdString(texts.caption));
    lblVersion_->setText(QString::fromStdString(texts.version));
    lblTitle_->setText(QString::fromStdString(texts.title));
    picIcon_->setPixmap(mainWindowIcon.pixmap(32, 32));
    lblDescription_->setText(QString::fromStdString(texts.description));
    // A label breaks lines at LF; the CR of each CR LF pair is not for showing.
    lblDisclaimer_->setText(QString::fromStdString(texts.disclaimer).remove(QLatin1Char('\r')));
}

void frmAbout::Label1_Click(int index) {
    OpenLink(links_, index);
}

void frmAbout::StartSysInfo() {
    // Over this dialog, which stays open.
    controls::QtMessageService messages(QString::fromStdString(app_.Title), this);
    about::StartSysInfo(sysInfo_, messages, app_.Title);
}

}  // namespace agendix::about
