// The bell's sound player, built as a module the program loads the first
// time the bell rings: the sound library and the audio stack it drags in
// (sound server client, codecs) are then not loaded at every start.

#include <QObject>
#include <QSoundEffect>

/// A new sound effect owned by @p parent; the program drives it through its
/// "source" property and its play() slot, so it needs no multimedia headers.
extern "C" Q_DECL_EXPORT QObject *tavernix_bell_sound_create(QObject *parent)
{
    return new QSoundEffect(parent);
}
