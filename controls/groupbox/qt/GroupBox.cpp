#include "controls/groupbox/qt/GroupBox.h"

#include <QGroupBox>

#include <QFontInfo>
#include <QWidget>

#include "controls/host/core/HostError.h"

namespace agendix::controls {

using controls::kButtonFace;
using controls::kButtonText;

namespace {

constexpr int kDefaultBorderStyle = 1;
constexpr short kDefaultOLEDropMode = 0;
constexpr short kDefaultBackStyle = 1;
constexpr short kDefaultAppearance = 1;

constexpr char kBackStyleNotImplemented[] =
    "This feature has not yet been implemented!\r\n"
    "I'm not quite sure how I am going to implement this feature, as some controls are shaped.";

// A font whose family is not installed falls back to the system's sans-serif face.
QFont WithSansSerifFallback(QFont font) {
    if (font.styleHint() == QFont::AnyStyle) {
        font.setStyleHint(QFont::SansSerif);
    }
    return font;
}

long long WholeNumber(const QVariant& value, const char* property) {
    bool converted = false;
    const long long number = value.toLongLong(&converted);
    if (!converted) {
        throw HostError::TypeMismatch(property);
    }
    return number;
}

QFont FontValue(const QVariant& value, const char* property) {
    if (value.typeId() != QMetaType::QFont) {
        throw HostError::TypeMismatch(property);
    }
    return value.value<QFont>();
}

}  // namespace

GroupBox::GroupBox(QWidget* parent, const GroupBoxServices& services)
    : QWidget(parent),
      ambient_(services.ambient),
      messages_(services.messages),
      theme_(services.theme),
      backColor_(kButtonFace),
      foreColor_(kButtonText),
      font_(WithSansSerifFallback(services.ambient.Font())),
      caption_(services.ambient.DisplayName()),
      maskColor_(kButtonFace) {
    setMouseTracking(true);
}

GroupBox::~GroupBox() = default;

void GroupBox::NotifyPropertyChanged(const QString& PropertyName) {
    emit propertyChanged(PropertyName);
}

void GroupBox::SetSurfaceColor(std::uint32_t& target, std::uint32_t value, const char* property) {
    if (controls::IsSystemColor(value) &&
        !controls::IsKnownSystemColor(controls::SystemColorIndex(value))) {
        throw HostError::InvalidPropertyValue(property, value);
    }
    target = value;
}

void GroupBox::SetSurfaceDropMode(short mode) {
    if (mode != 0 && mode != 1) {
        throw HostError::InvalidPropertyValue("OLEDropMode", mode);
    }
    oleDropMode_ = mode;
    setAcceptDrops(mode == 1);
}

void GroupBox::SetSurfaceBackStyle(short style) {
    if (style != 0 && style != 1) {
        throw HostError::InvalidPropertyValue("BackStyle", style);
    }
    backStyle_ = style;
    update();
}

void GroupBox::SetBackColor(std::uint32_t New_BackColor) {
    SetSurfaceColor(backColor_, New_BackColor, "BackColor");
    NotifyPropertyChanged("BackColor");
    DrawGroupBox();
}

void GroupBox::SetForeColor(std::uint32_t New_ForeColor) {
    SetSurfaceColor(foreColor_, New_ForeColor, "ForeColor");
    NotifyPropertyChanged("ForeColor");
    DrawGroupBox();
}

void GroupBox::SetEnabled(bool New_Enabled) {
    enabled_ = New_Enabled;
    NotifyPropertyChanged("Enabled");
    ApplyHostEnabledState();
    DrawGroupBox();
}

// While the container runs, the control's own window follows the stored flag; while it is being
// designed only the caption's look does.
void GroupBox::ApplyHostEnabledState() {
    if (ambient_.UserMode()) {
        QWidget::setEnabled(enabled_);
    }
}

void GroupBox::SetFont(const QFont& New_Font) {
    font_ = WithSansSerifFallback(New_Font);
    NotifyPropertyChanged("Font");
    DrawGroupBox();
}

void GroupBox::SetBorderStyle(int New_BorderStyle) {
    borderStyle_ = New_BorderStyle;
    NotifyPropertyChanged("BorderStyle");
    DrawGroupBox();
}

void GroupBox::Refresh() {
    DrawGroupBox();
}

void GroupBox::SetOLEDropMode(short New_OLEDropMode) {
    SetSurfaceDropMode(New_OLEDropMode);
    NotifyPropertyChanged("OLEDropMode");
}

void GroupBox::SetBackStyle(int New_BackStyle) {
    if (New_BackStyle == 0) {
        messages_.ShowMessage(kBackStyleNotImplemented, {});  // captioned with the program's title
        return;
    }
    SetSurfaceBackStyle(controls::NarrowToInteger16(New_BackStyle, "BackStyle"));
    NotifyPropertyChanged("BackStyle");
}

void GroupBox::SetCaption(const QString& New_Caption) {
    caption_ = New_Caption;
    NotifyPropertyChanged("Caption");
    DrawGroupBox();
}

void GroupBox::SetAppearance(int New_Appearance) {
    appearance_ = controls::NarrowToInteger16(New_Appearance, "Appearance");
    NotifyPropertyChanged("Appearance");
    DrawGroupBox();
}

void GroupBox::OnInitDefaults() {
    font_ = WithSansSerifFallback(ambient_.Font());
    borderStyle_ = kDefaultBorderStyle;
    caption_ = ambient_.DisplayName();
    appearance_ = kDefaultAppearance;
    SetEnabled(true);
}

void GroupBox::OnLoadProperties(const PropertyStore& PropBag) {
    SetSurfaceColor(
        backColor_,
        controls::ToColorValue(
            WholeNumber(PropBag.ReadProperty("BackColor", kButtonFace), "BackColor"), "BackColor"),
        "BackColor");
    SetSurfaceColor(
        foreColor_,
        controls::ToColorValue(
            WholeNumber(PropBag.ReadProperty("ForeColor", kButtonText), "ForeColor"), "ForeColor"),
        "ForeColor");
    font_ = WithSansSerifFallback(FontValue(PropBag.ReadProperty("Font", ambient_.Font()), "Font"));
    borderStyle_ = controls::NarrowToInteger32(
        WholeNumber(PropBag.ReadProperty("BorderStyle", kDefaultBorderStyle), "BorderStyle"),
        "BorderStyle");
    SetSurfaceDropMode(controls::NarrowToInteger16(
        WholeNumber(PropBag.ReadProperty("OLEDropMode", kDefaultOLEDropMode), "OLEDropMode"),
        "OLEDropMode"));
    SetSurfaceBackStyle(controls::NarrowToInteger16(
        WholeNumber(PropBag.ReadProperty("BackStyle", kDefaultBackStyle), "BackStyle"),
        "BackStyle"));
    caption_ = PropBag.ReadProperty("Caption", ambient_.DisplayName()).toString();
    enabled_ = PropBag.ReadProperty("Enabled", true).toBool();
    ApplyHostEnabledState();
    appearance_ = controls::NarrowToInteger16(
        WholeNumber(PropBag.ReadProperty("Appearance", kDefaultAppearance), "Appearance"),
        "Appearance");
}

void GroupBox::OnSaveProperties(PropertyStore& PropBag) const {
    PropBag.WriteProperty("BackColor", QVariant::fromValue(backColor_),
                          QVariant::fromValue(kButtonFace));
    PropBag.WriteProperty("ForeColor", QVariant::fromValue(foreColor_),
                          QVariant::fromValue(kButtonText));
    PropBag.WriteProperty("Font", font_, WithSansSerifFallback(ambient_.Font()));
    PropBag.WriteProperty("BorderStyle", borderStyle_, kDefaultBorderStyle);
    PropBag.WriteProperty("OLEDropMode", QVariant::fromValue(oleDropMode_),
                          QVariant::fromValue(kDefaultOLEDropMode));
    PropBag.WriteProperty("BackStyle", QVariant::fromValue(backStyle_),
                          QVariant::fromValue(kDefaultBackStyle));
    PropBag.WriteProperty("Caption", caption_, ambient_.DisplayName());
    PropBag.WriteProperty("Enabled", enabled_, true);
    PropBag.WriteProperty("Appearance", QVariant::fromValue(appearance_),
                          QVariant::fromValue(kDefaultAppearance));
}

void GroupBox::OnAmbientChanged(const QString& /*PropertyName*/) {
    DrawGroupBox();
}

}  // namespace agendix::controls
