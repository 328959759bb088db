#include "dialog_controls.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include "wide_text.h"

namespace {

QRect ToQRect(const DialogRect& rect) {
    return QRect(rect.x, rect.y, rect.width, rect.height);
}

QWidget* CreateControl(const ControlTemplate& control, QWidget& parent) {
    const QString text = WideToQString(control.text);
    switch (control.kind) {
        case ControlKind::kPushButton:
            return new QPushButton(text, &parent);
        case ControlKind::kStatic: {
            auto* label = new QLabel(text, &parent);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            return label;
        }
        case ControlKind::kEdit: {
            auto* edit = new QLineEdit(text, &parent);
            edit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            edit->setFrame(control.style.border);
            edit->setReadOnly(control.style.readOnly);
            if (control.style.upperCase) {
                // Whatever reaches the edit, typed or set, is shown in upper case.
                QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& now) {
                    const QString upper = now.toUpper();
                    if (upper != now) {
                        edit->setText(upper);
                    }
                });
            }
            return edit;
        }
    }
    return nullptr;
}

}  // namespace

QFont DialogFont(const DialogTemplate& dialogTemplate) {
    QFont font(WideToQString(dialogTemplate.fontName));
    font.setPointSize(dialogTemplate.fontPoints);
    return font;
}

DialogBaseUnits MeasureBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {AverageCharWidth(alphabet), metrics.height()};
}

std::vector<QWidget*> CreateDialogControls(QDialog& dialog, const DialogTemplate& dialogTemplate) {
    const QFont font = DialogFont(dialogTemplate);
    dialog.setFont(font);
    dialog.setWindowTitle(WideToQString(dialogTemplate.caption));
    const DialogBaseUnits base = MeasureBaseUnits(font);
    const DialogRect client = DialogUnitsToPixels(dialogTemplate.rect, base);
    dialog.setFixedSize(client.width, client.height);

    std::vector<QWidget*> controls;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = CreateControl(control, dialog);
        widget->setProperty(kControlIdProperty, control.id);
        widget->setGeometry(ToQRect(DialogUnitsToPixels(control.rect, base)));
        widget->setFocusPolicy(control.style.tabStop ? Qt::StrongFocus : Qt::NoFocus);
        if (!controls.empty() && control.style.tabStop) {
            // Tab order follows the template among the controls that take the focus.
            for (auto previous = controls.rbegin(); previous != controls.rend(); ++previous) {
                if ((*previous)->focusPolicy() != Qt::NoFocus) {
                    QWidget::setTabOrder(*previous, widget);
                    break;
                }
            }
        }
        controls.push_back(widget);
    }
    return controls;
}

QWidget* FindControl(const QWidget& dialog, int id) {
    for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant value = child->property(kControlIdProperty);
        if (value.isValid() && value.toInt() == id) {
            return child;
        }
    }
    return nullptr;
}
