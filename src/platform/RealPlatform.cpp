// Real implementations of the seams.
#include "platform/RealPlatform.h"

#include "platform/PlatformModules.h"
#include "platform/SystemClockSetter.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

void RealDialogs::inform(const QString &title, const QString &text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::Information, title,
                    text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool RealDialogs::ask(const QString &title, const QString &text, DefaultAnswer byDefault) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(byDefault == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> RealDialogs::saveFileName(const QString &filter) {
    const QString file = QFileDialog::getSaveFileName(
        m_parent, QString(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), filter);
    if (file.isEmpty()) {
        return std::nullopt;
    }
    return file;
}

QDateTime RealClock::now() const {
    return QDateTime::currentDateTime();
}

void RealClock::setSystemTime(const QDateTime &moment, ClockSetDone done) {
    SystemClockSetter::set(moment, &m_context, std::move(done));
}

RealSound::RealSound(QString moduleFolder)
    : m_moduleFolder(std::move(moduleFolder)) {}

RealSound::~RealSound() = default;

void RealSound::play(const QString &file) {
    if (!m_player) {
        const auto create = reinterpret_cast<decltype(&parcelbook_create_sound)>(platformmodules::resolve(
            m_moduleFolder, platformmodules::soundFile(), "parcelbook_create_sound"));
        if (!create) {
            return;
        }
        m_player.reset(create());
    }
    m_player->play(file);
}

void RealDesktop::openUrl(const QString &url) {
    QDesktopServices::openUrl(QUrl(url));
}

void RealDesktop::quit() {
    QCoreApplication::exit(0);
}

void RealDesktop::notify(const QString &title, const QString &body) {
    m_notifier.notify(title, body);
}
