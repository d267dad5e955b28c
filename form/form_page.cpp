#include "form/form_page.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>

#include "form/corder_list_ctrl.h"
#include "form/digit_limit_validator.h"
#include "form/form_combo_box.h"
#include "form/form_group_box.h"
#include "form/form_template.h"
#include "model/control_ids.h"
#include "model/field_domains.h"

// Resources of the static tq_form library must be registered explicitly.
static void initFormResources() {
  Q_INIT_RESOURCE(form);
}

namespace {

constexpr int kOkIcon = 132;
constexpr int kErrorIcon = 131;
constexpr int kIndicatorPicture = 16;

// The template was drawn for an 8-point sans-serif face. Liberation Sans has
// the metrics of the common sans-serif faces of that size; where it is
// missing, font matching picks another sans-serif face.
QFont templateFace() {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setStyleHint(QFont::SansSerif);
  f.setPointSize(form::kFormPointSize);
  return f;
}

}  // namespace

FormPage::FormPage(QWidget* parent) : QWidget(parent) {
  initFormResources();
  setObjectName(QStringLiteral("form101"));
  m_formFont = templateFace();
  setFont(m_formFont);

  // Dialog units scale with the form's face: a horizontal unit is a quarter
  // of the average character width, a vertical unit an eighth of its height.
  const QFontMetrics fm(m_formFont);
  const int alphabet =
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  m_baseX = (alphabet / 26 + 1) / 2;
  // The height is that of a line as a label lays it out, so that a label
  // of 8 units holds one line whole.
  m_baseY =
      std::max(fm.lineSpacing(), fm.boundingRect(QRect(0, 0, 1000, 1000), 0, QStringLiteral("Xg")).height());

  // Controls in template order; that is also the keyboard order.
  QWidget* previous = nullptr;
  for (int i = 0; i < static_cast<int>(form::kFormTemplate.size()); ++i) {
    const form::ControlTemplate& t = form::kFormTemplate[static_cast<std::size_t>(i)];
    QWidget* w = createControl(i);
    w->setObjectName(QStringLiteral("ctl_%1").arg(t.id));
    m_controls[t.id] = w;
    if (w->focusPolicy() != Qt::NoFocus) {
      if (previous) QWidget::setTabOrder(previous, w);
      previous = w;
    }
  }
  setFixedSize(dialogX(form::kFormWidth), dialogY(form::kFormHeight));
}

// The widget factory: one control of the template, placed and styled.
QWidget* FormPage::createControl(int index) {
  const form::ControlTemplate& t = form::kFormTemplate[static_cast<std::size_t>(index)];
  const QFontMetrics fm(m_formFont);
  const QString text = t.text ? QString::fromLatin1(t.text) : QString();
  QRect geometry(dialogX(t.x), dialogY(t.y), dialogX(t.w), dialogY(t.h));
  QWidget* w = nullptr;
  switch (t.kind) {
    case form::Kind::Label: {
      auto* l = new QLabel(text, this);
      l->setAlignment(((t.style & form::kAlignRight) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
      l->setWordWrap(true);
      // The form's face may run wider than the one the template was drawn
      // for. A label whose lines would wrap beyond its height, or with a word
      // wider than the label, grows sideways instead, away from the edge it
      // is aligned to.
      const QRect wrapped = fm.boundingRect(QRect(0, 0, geometry.width(), 10000), Qt::TextWordWrap, text);
      const int natural = fm.boundingRect(QRect(0, 0, 10000, 10000), 0, text).width() + 1;
      const bool cut = wrapped.height() > geometry.height() || wrapped.width() > geometry.width();
      if (cut && natural > geometry.width()) {
        if (t.style & form::kAlignRight)
          geometry.setLeft(geometry.right() + 1 - natural);
        else
          geometry.setWidth(natural);
      }
      w = l;
      break;
    }
    case form::Kind::Edit: {
      // Read-only edits stay in the keyboard order, as the template's do:
      // the user may tab to the product code and copy it.
      auto* e = new QLineEdit(this);
      e->setFrame(t.style & form::kBorder);
      e->setReadOnly(t.style & form::kReadOnly);
      if (t.style & form::kAlignCenter) e->setAlignment(Qt::AlignCenter);
      if (t.style & form::kNumber) {
        auto* v = new DigitLimitValidator(e);
        e->setValidator(v);
        m_validators[t.id] = v;
      }
      w = e;
      break;
    }
    case form::Kind::DropDown: {
      auto* c = new FormComboBox(this);
      // The closed box is as high as an edit; the rest of the template's
      // height is its opened list.
      geometry.setHeight(dialogY(12));
      c->setMaxVisibleItems(std::max(1, (t.h - 12) / 8));
      w = c;
      break;
    }
    case form::Kind::GroupBox:
      w = new FormGroupBox(text, this);
      break;
    case form::Kind::Button:
      w = new QPushButton(text, this);
      break;
    case form::Kind::OrderList:
      m_orderList = new COrderListCtrl(this);  // bound to m_orderList
      w = m_orderList;
      break;
    case form::Kind::Indicator: {
      // The icons are 32 x 32 pixels, their picture fills the upper left
      // 16 x 16; the control is as large as the picture.
      geometry.setSize(QSize(kIndicatorPicture, kIndicatorPicture));
      auto* l = new QLabel(this);
      l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      l->setProperty("icon", 0);
      w = l;
      break;
    }
  }
  w->setGeometry(geometry);
  return w;
}

QWidget* FormPage::control(int id) const {
  auto it = m_controls.find(id);
  return it == m_controls.end() ? nullptr : it->second;
}

QWidget* FormPage::checked(int id, const char* kind, QWidget* w) const {
  if (!w) qFatal("configuration form: no %s with control id %d", kind, id);
  return w;
}

QComboBox* FormPage::combo(int id) const {
  return static_cast<QComboBox*>(checked(id, "drop-down", qobject_cast<QComboBox*>(control(id))));
}
QLineEdit* FormPage::edit(int id) const {
  return static_cast<QLineEdit*>(checked(id, "edit", qobject_cast<QLineEdit*>(control(id))));
}
QLabel* FormPage::label(int id) const {
  return static_cast<QLabel*>(checked(id, "label", qobject_cast<QLabel*>(control(id))));
}
QPushButton* FormPage::button(int id) const {
  return static_cast<QPushButton*>(checked(id, "button", qobject_cast<QPushButton*>(control(id))));
}

void FormPage::show(int id, bool visible) const {
  checked(id, "control", control(id))->setVisible(visible);
}

void FormPage::show(std::span<const int> ids, bool visible) const {
  for (int id : ids) show(id, visible);
}

void FormPage::setEditText(int id, const QString& text) const {
  QLineEdit* e = edit(id);
  auto v = m_validators.find(id);
  if (v != m_validators.end())
    v->second->setProgramText(text);
  else
    e->setText(text);
}

int FormPage::readInt(int id) const {
  return dialogInt(edit(id)->text().toStdString());
}

void FormPage::setTextLimit(int id, int chars) const {
  auto v = m_validators.find(id);
  if (v == m_validators.end()) qFatal("configuration form: no number edit with control id %d", id);
  v->second->setLimit(chars);
}

int FormPage::textLimit(int id) const {
  auto it = m_validators.find(id);
  return it == m_validators.end() ? 0 : it->second->limit();
}

void FormPage::loadIndicatorIcons() {
  m_okIcon = QPixmap(QStringLiteral(":/indicators/ok_132.xpm"));
  m_errorIcon = QPixmap(QStringLiteral(":/indicators/error_131.xpm"));
}

void FormPage::markField(int indicatorId, bool ok) const {
  const form::ControlTemplate* t = form::findControl(indicatorId);
  if (!t || t->kind != form::Kind::Indicator)
    qFatal("configuration form: no indicator with control id %d", indicatorId);
  QLabel* icon = label(indicatorId);
  icon->show();
  icon->setPixmap(ok ? m_okIcon : m_errorIcon);
  icon->setProperty("icon", ok ? kOkIcon : kErrorIcon);
}

void FormPage::setNameFont() {
  // The Name field's own face. Where the platform has no face of that name,
  // font matching substitutes one; if that is the form's face, bold keeps
  // the two apart.
#ifdef Q_OS_WIN
  // Windows' "System" face is its stock bitmap font. Font matching reports a
  // scalable face in its place (QFontInfo names the substitute), but text
  // drawn with a font asking for "System" comes out empty, so the field
  // stayed blank. The form's face in bold stands in for it there.
  m_fontName = m_formFont;
#else
  m_fontName = QFont(QStringLiteral("System"));
  const QFontInfo name(m_fontName);
  if (!QFontDatabase::isSmoothlyScalable(name.family(), name.styleName())) m_fontName = m_formFont;
#endif
  if (QFontInfo(m_fontName).family() == QFontInfo(m_formFont).family()) m_fontName.setBold(true);
  control(ids::kName)->setFont(m_fontName);
}

void FormPage::fitDropDowns() const {
  for (const form::ControlTemplate& t : form::kFormTemplate) {
    if (t.kind != form::Kind::DropDown) continue;
    QComboBox* box = combo(t.id);
    int longest = 0;
    for (int i = 0; i < box->count(); ++i)
      longest = std::max(longest, box->fontMetrics().horizontalAdvance(box->itemText(i)));
    QStyleOptionComboBox opt;
    opt.initFrom(box);
    const QRect field =
        box->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, box);
    const int missing = longest + 2 - field.width();
    if (missing <= 0) continue;
    // The controls to the right on the same line (the field's indicator)
    // move along by what the box grows.
    const QRect before = box->geometry();
    box->resize(box->width() + missing, box->height());
    for (const auto& [id, w] : m_controls) {
      const QRect r = w->geometry();
      if (w != box && r.left() > before.right() && r.top() <= before.bottom() && r.bottom() >= before.top() &&
          r.intersects(box->geometry()))
        w->move(box->geometry().right() + 2, r.top());
    }
  }
}
