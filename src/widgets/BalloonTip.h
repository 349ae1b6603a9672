// A balloon tip with a title line and several lines of text, shown while the pointer rests on its
// parent control.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QWidget;

class BalloonTip final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BalloonTip)

public:
    explicit BalloonTip(QObject *parent = nullptr);
    ~BalloonTip() override;

    void setParentControl(QWidget *control);
    void setTitle(const QString &title);
    void setText(const QString &text);
    // Replaces the balloon by a new one with the current title and text; at most one exists.
    void create();
    // The balloon made by the last create, or none.
    QWidget *balloon() const { return m_balloon; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showAtPointer();

    QPointer<QWidget> m_control;
    QPointer<QWidget> m_balloon;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_textLabel = nullptr;
    QString m_title;
    QString m_text;
};
