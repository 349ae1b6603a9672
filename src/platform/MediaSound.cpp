// The sound module: the media player, so the multimedia stack is loaded with the first sound only.
#include "platform/Platform.h"
#include "platform/PlatformModules.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

namespace {

class MediaSound final : public Sound {
public:
    MediaSound() { m_player.setAudioOutput(&m_output); }

    void play(const QString &file) override {
        m_player.stop();
        m_player.setSource(QUrl::fromLocalFile(file));
        m_player.play();
    }

private:
    QAudioOutput m_output;
    QMediaPlayer m_player;
};

} // namespace

Sound *parcelbook_create_sound() {
    return new MediaSound;
}
