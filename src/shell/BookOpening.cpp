// The book opened at start-up, or the user told why not.
#include "shell/BookOpening.h"

#include "net/ServiceAddresses.h"
#include "platform/InstanceChannel.h"
#include "platform/Platform.h"
#include "widgets/Feedback.h"

#include <QTimer>

BookOpening::BookOpening(Collaborators collaborators)
    : m_with(collaborators) {}

bool BookOpening::claim() {
    if (!m_claimed) {
        const std::optional<Outcome<>> locked = m_with.book.lockResult();
        if (!locked || *locked) {
            // Held: the channel for a second copy opens with the book, after the first frame.
            m_claimed = true;
        } else if (m_with.book.bookMissing()) {
            m_claimed = recoverMissingBook(*locked);
        } else {
            m_claimed = opened(*locked);
        }
    }
    return *m_claimed;
}

bool BookOpening::recoverMissingBook(const Outcome<> &locked) {
    if (!m_with.book.restoreOffer().isEmpty() && m_with.feedback.ask(m_with.book.restoreOffer())) {
        return restoreBook(m_with.book.goodCopy());
    }
    // Only a book made from the delivered one can be new; its old copies are set aside, never
    // replaced by the new book's.
    if (m_with.places.bookFromTemplate && programfolder::holdsCopiesOfTheBook(m_with.places.book) &&
        m_with.feedback.askBeforeDestroying(
            QStringLiteral("快递列表 %1 不见了。\n \n是否建立一个新的空快递列表?原有的备份会移到 db 文件夹里"
                           "以 previous- 开头的文件夹中保留。")
                .arg(m_with.book.databasePath()))) {
        if (const Outcome<> started =
                programfolder::startNewBook(m_with.places, m_with.platform.clock->now());
            !started) {
            m_with.feedback.inform(QStringLiteral("无法建立新的快递列表:") + started.failure().reason);
            return false;
        }
        return opened(m_with.book.open());
    }
    return opened(locked);
}

bool BookOpening::restoreBook(const QString &copy) {
    if (const Outcome<> restored = m_with.book.restoreFrom(copy); !restored) {
        m_with.feedback.inform(restored.failure().reason);
        return false;
    }
    m_with.feedback.inform(
        QStringLiteral("已用备份 %1 恢复快递列表。").arg(copy) +
        (m_with.book.keptAside().isEmpty()
             ? QString()
             : QStringLiteral("\n损坏的文件改名为 %1,留在它旁边。").arg(m_with.book.keptAside())));
    return true;
}

bool BookOpening::open() {
    const Outcome<> result = m_with.book.open();
    // Found damaged at open (a truncated book): the same offer as when the check finds it later.
    if (!result && !m_with.book.restoreOffer().isEmpty() && m_with.feedback.ask(m_with.book.restoreOffer())) {
        return restoreBook(m_with.book.goodCopy());
    }
    return opened(result);
}

bool BookOpening::opened(const Outcome<> &result) {
    if (result) {
        // Opening the channel for a second start (a fifth of a millisecond: a socket made, bound and
        // renamed into place) waits until the window has taken the book and is in use.
        QTimer::singleShot(
            0, &m_with.channel,
            [&channel = m_with.channel, path = m_with.book.databasePath()] { channel.listenFor(path); });
        return true;
    }
    const Failure &failure = result.failure();
    const QString path = m_with.book.databasePath();
    if (failure.kind == Failure::Kind::HeldElsewhere) {
        InstanceChannel::askToComeForward(path);
        m_with.feedback.inform(QStringLiteral("程序已运行!"));
        return false;
    }
    // A good copy of the book is the way back, not the maker's site.
    if (!m_with.book.goodCopy().isEmpty()) {
        m_with.feedback.inform(QStringLiteral("快递列表 %1:%2").arg(path, failure.reason));
        return false;
    }
    // A full or failing disk is no reason to fetch the program again: only the cause is said.
    if (failure.kind != Failure::Kind::Damaged) {
        m_with.feedback.inform(QStringLiteral("数据库链接出错!\n快递列表 %1:%2").arg(path, failure.reason));
        return false;
    }
    // The cause (文件已损坏 ...) follows the first sentence, before the way to the site, which is
    // named and opened only when one is set.
    if (m_with.services.site.isEmpty()) {
        m_with.feedback.inform(
            QStringLiteral("数据库链接出错!请到官网下载原版!\n快递列表 %1:%2").arg(path, failure.reason));
        return false;
    }
    m_with.feedback.inform(
        QStringLiteral("数据库链接出错!请到官网下载原版!\n快递列表 %1:%2\n \n岚舟包裹通官方网站：")
            .arg(path, failure.reason) +
        m_with.services.site);
    m_with.platform.desktop->openUrl(m_with.services.site);
    return false;
}
