#pragma once
// Tab and Shift+Tab through a movie and the native controls on it: the
// movie's items up to `lastBefore`, then the controls in order, then the
// movie's items from `firstAfter` on. A movie alone would keep the keyboard
// within its own items.
#include <QObject>
#include <QString>

#include <vector>

class QQuickWidget;
class QWidget;

class FocusChain : public QObject {
public:
    FocusChain(QQuickWidget* movie, std::vector<QWidget*> controls, QString lastBefore, QString firstAfter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FocusMovieItem(const QString& name, bool forward);
    QQuickWidget* movie;
    std::vector<QWidget*> controls;
    QString lastBefore, firstAfter;
};
