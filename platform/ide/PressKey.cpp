#include "platform/ide/PressKey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

#include "foundation/SysUtils.h"

namespace velt {

void PressKey(const std::string& program, const std::string& key,
              const std::function<bool(TShortCut)>& runShortCut) {
    if (!QApplication::activePopupWidget() && runShortCut(TextToShortCut(key))) return;
    const QKeySequence sequence(QString::fromStdString(key));
    QWidget* target = QApplication::activePopupWidget();
    if (!target) target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    if (sequence.isEmpty() || !target) throw Exception(program + ": cannot press " + key);
    const QKeyCombination combination = sequence[0];
    QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
    QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

}  // namespace velt
