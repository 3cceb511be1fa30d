#pragma once
// Modal message boxes: the program's only way of telling the user about a failure.
#include <string>

class QWidget;

enum class MbButtons { Ok, OkCancel, RetryCancel, YesNo };
enum class MbIcon { None, Information, Error, Question };
enum class MbResult { Ok, Cancel, Retry, Yes, No };

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Shows the box modally over `owner` (may be null) and returns the button
    // pressed. `details`, when given, goes under the text (a reason, a path).
    // Texts are shown as they are: a label like "<b>X" is no markup.
    virtual MbResult Show(QWidget* owner, const std::string& text, const std::string& caption, MbButtons buttons,
                          MbIcon icon, const std::string& details = {}) = 0;
};

class QtMessageBoxes : public IMessageBoxes {
public:
    MbResult Show(QWidget* owner, const std::string& text, const std::string& caption, MbButtons buttons,
                  MbIcon icon, const std::string& details) override;
};
