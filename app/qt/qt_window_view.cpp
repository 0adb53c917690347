#include "qt_window_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <limits>

#include "error_box.h"
#include "fonts.h"
#include "qt_colour.h"
#include "widget_text.h"

namespace tavik {

namespace {
QString Utf8(const char* text) { return QString::fromUtf8(text); }
QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
}  // namespace

TQtWindowView::TQtWindowView()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    InstallFontSubstitutes();
    setObjectName(Utf8(WindowFrame.Name));
    setWindowTitle(Utf8(WindowFrame.Caption));
    setFont(FontFor(WindowFrame.Font));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QtColour(WindowFrame.Background, this));
    setPalette(palette);
    setAutoFillBackground(true);
    setFixedSize(WindowFrame.ClientWidth, WindowFrame.ClientHeight);
    move(WindowFrame.Left, WindowFrame.Top);
    for (const TControlLayout& layout : WindowLayout) Widgets_[IndexOf(layout.Id)] = Build(layout);
    for (const TControlLayout& layout : WindowLayout) {
        auto* combo = qobject_cast<QComboBox*>(Widget(layout.Id));
        if (!combo) continue;
        for (const char* item : layout.Items) combo->addItem(Utf8(item));
        if (!layout.Items.empty()) combo->setCurrentIndex(0);
        combo->setStyleSheet(QStringLiteral("QComboBox QAbstractItemView::item { min-height: %1px; }").arg(ComboItemHeight));
    }
    SetTabOrder();
}

QWidget* TQtWindowView::Build(const TControlLayout& layout) {
    const QString text = Utf8(layout.Text);
    QWidget* widget = nullptr;
    switch (layout.Kind) {
    case TControlKind::Label: widget = new QLabel(text, this); break;
    case TControlKind::Chart: widget = new TChartWidget(this); break;
    case TControlKind::CheckBox: widget = new QCheckBox(text, this); break;
    case TControlKind::RadioButton: widget = new QRadioButton(text, this); break;
    case TControlKind::Button: widget = new QPushButton(text, this); break;
    case TControlKind::Edit: widget = new QLineEdit(text, this); break;
    case TControlKind::ComboBox: widget = new QComboBox(this); break;
    }
    widget->setObjectName(Utf8(layout.Name));
    widget->setGeometry(layout.Left, layout.Top, layout.Width, layout.Height);
    widget->setFont(FontFor(layout.Font));
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setWordWrap(false);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setContentsMargins(0, 0, 0, 0);
        label->setMargin(0);
        // Liberation's faces run a little wider than the layout's: a label
        // grows to the right rather than cut its text.
        label->resize(std::max(layout.Width, label->sizeHint().width()), layout.Height);
        label->setAutoFillBackground(layout.Background.has_value());
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setAlignment(Qt::AlignLeft);
        edit->setMaxLength(std::numeric_limits<int>::max());  // edits have no length limit
        if (layout.Background) SetBaseColour(edit, QtColour(*layout.Background, edit));
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        // No completion: a box never shows an item the module was not told.
        combo->setCompleter(nullptr);
        combo->setEditText(text);
    }
    if (layout.TextColour) tavik::SetTextColour(widget, QtColour(*layout.TextColour, widget));
    if (!layout.Visible) {
        widget->setVisible(false);
        widget->setFocusPolicy(Qt::NoFocus);
    }
    return widget;
}

void TQtWindowView::SetTabOrder() {
    for (std::size_t i = 1; i < KeyboardOrder.size(); ++i)
        QWidget::setTabOrder(Widget(KeyboardOrder[i - 1]), Widget(KeyboardOrder[i]));
}

void TQtWindowView::Connect(TWindowEvents& events, const TChartModel& chart) {
    Events_ = &events;
    Chart()->SetModel(&chart);
    for (const TControlLayout& layout : WindowLayout) {
        const TControlId id = layout.Id;
        QWidget* widget = Widget(id);
        switch (layout.Kind) {
        case TControlKind::CheckBox:
        case TControlKind::RadioButton:
        case TControlKind::Button:
            connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this, [this, id] { Events_->Clicked(id); });
            break;
        case TControlKind::Edit:
            // Any change the view did not make itself is the user's.
            connect(static_cast<QLineEdit*>(widget), &QLineEdit::textChanged, this, [this, id] {
                if (!Setting_) Events_->Changed(id);
            });
            break;
        case TControlKind::ComboBox: {
            // As a Win32 combo box's CBN_SELCHANGE: a choice from the list
            // that changes the item. Re-choosing the item shown raises
            // nothing, and neither does Return in the field, whose text has
            // raised its change already.
            auto* combo = static_cast<QComboBox*>(widget);
            connect(combo, &QComboBox::currentIndexChanged, this, [this, id] {
                if (!Setting_) Events_->Selected(id);
            });
            connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, id] { Events_->Changed(id); });
            combo->lineEdit()->installEventFilter(this);
            break;
        }
        case TControlKind::Label:
        case TControlKind::Chart: break;
        }
    }
}

void TQtWindowView::SetText(TControlId id, const std::string& text) {
    QWidget* widget = Widget(id);
    const QString value = Utf8(text);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (label->text() == value) return;
        label->setText(value);
        label->resize(label->sizeHint().width(), label->height());
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        Setting_ = true;
        edit->setText(value);
        Setting_ = false;
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setEditText(value);
    }
}

std::string TQtWindowView::Text(TControlId id) const {
    QWidget* widget = Widget(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text().toStdString();
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentText().toStdString();
    return {};
}

void TQtWindowView::SetTextColour(TControlId id, TColour colour) {
    QWidget* widget = Widget(id);
    tavik::SetTextColour(widget, QtColour(colour, widget));
}

void TQtWindowView::SetChecked(TControlId id, bool checked) { As<QAbstractButton>(id)->setChecked(checked); }

bool TQtWindowView::Checked(TControlId id) const { return As<QAbstractButton>(id)->isChecked(); }

void TQtWindowView::AddItems(TControlId id, const std::vector<std::string>& items) {
    QStringList labels;
    labels.reserve(static_cast<qsizetype>(items.size()));
    for (const std::string& item : items) labels << Utf8(item);
    Setting_ = true;
    As<QComboBox>(id)->addItems(labels);
    Setting_ = false;
}

void TQtWindowView::SetSelection(TControlId id, int index) {
    Setting_ = true;
    As<QComboBox>(id)->setCurrentIndex(index);
    Setting_ = false;
}

bool TQtWindowView::eventFilter(QObject* watched, QEvent* event) {
    // Only the combo boxes' fields are watched.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return QWidget::eventFilter(watched, event);
}

int TQtWindowView::Selection(TControlId id) const { return As<QComboBox>(id)->currentIndex(); }

void TQtWindowView::ChartChanged() { Chart()->update(); }

void TQtWindowView::ShowError(const std::string& caption, const std::string& text) {
    if (ErrorPresenter) ErrorPresenter(caption, text);
    else ShowErrorBox(caption, text);
}

}  // namespace tavik
