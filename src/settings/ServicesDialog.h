// The "查询服务" dialog: the user's services file edited in the window, with a trial query of the
// tracking service as the boxes stand.
#pragma once

#include "net/ServiceAddresses.h"

#include <QDialog>
#include <QPointer>

class DemoService;
class QLabel;
class QLineEdit;
class QPushButton;
class TrackingRequest;
class WebClient;

class ServicesDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServicesDialog)

public:
    // Shows what the file holds; "保存" writes it back and emits saved. "试用演示服务" starts the demo,
    // which lives as long as its owner, not the dialog.
    ServicesDialog(WebClient &web, DemoService &demo, QString file, QWidget *parent);

Q_SIGNALS:
    // The file now holds the boxes' values.
    void saved();
    // The boxes name the running demo service: it is used for this run, and the file is left alone.
    void demoChosen(const QString &address);

private:
    QLineEdit *addBox(const QString &objectName, const QString &caption, const QString &value);
    ServiceSettings boxes() const;
    // Done when every address box holds an address of its kind or nothing; else the first that does
    // not, said with its caption, takes the focus.
    Outcome<> checkAddresses() const;
    // "测试": one query of a sample number with the boxes' address and account; the window stays live.
    void test();
    void tested(TrackingRequest *request, const QString &verdict);
    // "试用演示服务": the demo's address in every address box, its numbers shown to copy.
    void tryDemo();
    void showDemo();
    // Whether every address box names the running demo service.
    bool boxesNameDemo() const;
    void save();

    WebClient &m_web;
    DemoService &m_demo;
    const QString m_file;
    QLineEdit *m_tracking;
    QLineEdit *m_accountId;
    QLineEdit *m_accountKey;
    QLineEdit *m_secondKey;
    QLineEdit *m_recognition;
    QLineEdit *m_site;
    QLineEdit *m_makerSite;
    QLineEdit *m_time;
    QLineEdit *m_probe;
    QLineEdit *m_smtpUrl;
    QLineEdit *m_mailFrom;
    QLineEdit *m_smtpUser;
    QLineEdit *m_smtpPassword;
    QPushButton *m_test;
    QPushButton *m_tryDemo;
    QPushButton *m_save;
    QLabel *m_verdict;
    QLabel *m_demoNumbers;
    TrackingRequest *m_request = nullptr;
    // Where the keyboard was when 测试 was pressed; it goes back there once the trial ends.
    QPointer<QWidget> m_focusBeforeTest;
};
