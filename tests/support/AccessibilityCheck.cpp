#include "AccessibilityCheck.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QWidget>

namespace korvex::test {

namespace {

/// How a fault names a widget: its class, its object name and its text where it has one.
QString describe(const QWidget* widget) {
    QString name = QString::fromLatin1(widget->metaObject()->className());
    if (!widget->objectName().isEmpty()) {
        name += QLatin1Char(' ') + widget->objectName();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        name += QStringLiteral(" \"%1\"").arg(button->text());
    }
    return name;
}

/// A control a screen reader announces by its name.
bool isControl(const QWidget* widget) {
    if (qobject_cast<const QScrollBar*>(widget)) {
        return false; // announced by their orientation
    }
    if (auto* view = qobject_cast<const QAbstractItemView*>(widget->parentWidget());
        view && widget != view && widget->focusPolicy() == Qt::NoFocus) {
        return false; // a view's headers, corner and editors' frames: parts of the view's table
    }
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QAbstractScrollArea*>(widget) ||
           (widget->focusPolicy() & Qt::TabFocus) != 0;
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name).trimmed() : QString();
}

/// Records that `owner` answers `text`'s mnemonic; names the clash when another did first.
void claim(QMap<QChar, QString>& taken, const QString& text, const QString& owner,
           QStringList& faults) {
    const QChar letter = mnemonicOf(text);
    if (letter.isNull()) {
        return;
    }
    if (taken.contains(letter)) {
        faults
            << QStringLiteral("Alt+%1 is both %2 and %3").arg(letter, taken.value(letter), owner);
        return;
    }
    taken.insert(letter, owner);
}

void checkMenu(const QMenu* menu, QStringList& faults) {
    QMap<QChar, QString> taken;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && action->isVisible()) {
            claim(taken, action->text(),
                  QStringLiteral("\"%1\" in menu \"%2\"").arg(action->text(), menu->title()),
                  faults);
        }
    }
}

} // namespace

QChar mnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&')) {
            continue;
        }
        if (text.at(i + 1) == QLatin1Char('&')) {
            ++i; // "&&" is an ampersand shown
            continue;
        }
        return text.at(i + 1).toLower();
    }
    return {};
}

QStringList accessibilityFaults(const QWidget* window) {
    QStringList faults;
    QMap<QChar, QString> taken;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(const_cast<QWidget*>(window));
    for (QWidget* widget : widgets) {
        if (widget->window() != window || !widget->isVisibleTo(window)) {
            continue; // another window (a menu, a dialog), or not shown in this state
        }
        if (isControl(widget) && accessibleName(widget).isEmpty()) {
            faults << QStringLiteral("no accessible name: %1").arg(describe(widget));
        }
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            // The one button of a message box is pressed by Return and Escape already.
            const auto* box = qobject_cast<const QMessageBox*>(window);
            const bool onlyButton = box && box->buttons().size() == 1;
            const bool wantsMnemonic = (qobject_cast<const QPushButton*>(widget) && !onlyButton) ||
                                       qobject_cast<const QCheckBox*>(widget);
            if (wantsMnemonic && !button->text().isEmpty() && mnemonicOf(button->text()).isNull()) {
                faults << QStringLiteral("no mnemonic: %1").arg(describe(widget));
            }
            claim(taken, button->text(), describe(widget), faults);
        } else if (const auto* label = qobject_cast<const QLabel*>(widget);
                   label && label->buddy()) {
            claim(taken, label->text(), describe(widget), faults);
        } else if (const auto* box = qobject_cast<const QGroupBox*>(widget)) {
            claim(taken, box->title(), describe(widget), faults);
        } else if (const auto* tabs = qobject_cast<const QTabBar*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                claim(taken, tabs->tabText(i), QStringLiteral("tab \"%1\"").arg(tabs->tabText(i)),
                      faults);
            }
        } else if (const auto* bar = qobject_cast<const QMenuBar*>(widget)) {
            for (QAction* action : bar->actions()) {
                if (action->isVisible()) {
                    claim(taken, action->text(), QStringLiteral("menu \"%1\"").arg(action->text()),
                          faults);
                }
                if (action->menu()) {
                    checkMenu(action->menu(), faults);
                }
            }
        }
    }
    return faults;
}

} // namespace korvex::test
