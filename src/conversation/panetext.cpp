#include "panetext.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace conversation
{

PaneText PaneText::of(const QTextDocument *doc)
{
    PaneText out;
    out.m_text.reserve(doc->characterCount());
    auto hide = [&out](int position) {
        out.m_slots.push_back(out.m_text.size());
        out.m_hidden.push_back(position);
    };
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b != doc->begin()) {
            // The block separator before b.
            if (b.blockFormat().boolProperty(kContinuesLine))
                hide(b.position() - 1);
            else
                out.m_text += QLatin1Char('\n');
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QString piece = f.text();
            if (!f.charFormat().boolProperty(kInsertedBreak)) {
                out.m_text += piece;
                continue;
            }
            for (qsizetype i = 0; i < piece.size(); ++i) {
                if (piece[i] == kBreakPoint)
                    hide(f.position() + int(i));
                else
                    out.m_text += piece[i];
            }
        }
    }
    return out;
}

qsizetype PaneText::fromDocument(int position) const
{
    const auto before = std::lower_bound(m_hidden.begin(), m_hidden.end(), position);
    return position - (before - m_hidden.begin());
}

int PaneText::toDocument(qsizetype position) const
{
    // Every left-out character standing at or before this place in the
    // text comes before the character in the document.
    const auto before = std::upper_bound(m_slots.begin(), m_slots.end(), position);
    return int(position + (before - m_slots.begin()));
}

} // namespace conversation
