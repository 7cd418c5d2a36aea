#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace conversation
{

/**
 * @brief What a line of the conversation is, for someone who hears it
 * rather than sees its colours: who speaks, in which way, and the words a
 * screen reader says for it.
 *
 * The speaker is recognised from the participant names, as the colouring
 * does, so a line reads the same whether it is heard or seen.
 */
class SpokenLine
{
    Q_DECLARE_TR_FUNCTIONS(SpokenLine)
public:
    enum class Kind { Speech, Action, Narration, Dice, Event };

    struct Reading {
        Kind kind = Kind::Narration;
        bool isPrivate = false;
        QString speaker; ///< empty for narration and events
        QString text;    ///< the line as shown, without a time stamp
    };

    /// Reads a conversation line as the pane shows it (a roll's detail
    /// after a line feed) with the participant names @p names.
    static Reading read(const QString &line, const QStringList &names);
    /// A line that tells of something happening rather than something said.
    static Reading event(const QString &line);

    /// "parlato", "azione", "narrazione", "tiro di dadi" or "evento",
    /// after "privato, " for a private line.
    static QString kindWords(const Reading &reading);
    /// The kind and the speaker: what a list item says after its text.
    static QString description(const Reading &reading);
    /// The line in words to be heard: a roll's numbers spelled out.
    static QString spoken(const Reading &reading);
};

} // namespace conversation
