#include "ui/message_boxes.h"

#include "ui/window_placement.h"

#include <QMessageBox>
#include <QTextDocument>

MbResult QtMessageBoxes::Show(QWidget* owner, const std::string& text, const std::string& caption,
                              MbButtons buttons, MbIcon icon, const std::string& details)
{
    QMessageBox box(owner);
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(text));
    // The informative text has no format of its own: given as markup that says exactly the plain text.
    if (!details.empty()) box.setInformativeText(Qt::convertFromPlainText(QString::fromStdString(details)));
    box.setWindowTitle(QString::fromStdString(caption));
    switch (icon) {
    case MbIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MbIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MbIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MbIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case MbButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MbButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MbButtons::RetryCancel: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    case MbButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    const int pressed = box.exec();
    ReturnKeyboardTo(owner);
    switch (pressed) {
    case QMessageBox::Ok: return MbResult::Ok;
    case QMessageBox::Retry: return MbResult::Retry;
    case QMessageBox::Yes: return MbResult::Yes;
    case QMessageBox::No: return MbResult::No;
    default:
        // Closing the box by its window button counts as its cancelling answer.
        return buttons == MbButtons::YesNo ? MbResult::No : buttons == MbButtons::Ok ? MbResult::Ok : MbResult::Cancel;
    }
}
