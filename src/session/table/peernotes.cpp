#include "peernotes.h"

#include "connectionindex.h"

namespace session
{

void PeerNotes::reset(qint16 index)
{
    if (!isClientIndex(index))
        return;
    if (size_t(index) > m_notes.size())
        m_notes.resize(size_t(index));
    m_notes[size_t(index - 1)] = {};
}

PeerNotes::Notes *PeerNotes::find(qint16 index)
{
    if (!isClientIndex(index) || size_t(index) > m_notes.size())
        return nullptr;
    return &m_notes[size_t(index - 1)];
}

const PeerNotes::Notes *PeerNotes::find(qint16 index) const
{
    return const_cast<PeerNotes *>(this)->find(index);
}

bool PeerNotes::isTavernix(qint16 index) const
{
    const Notes *notes = find(index);
    return notes && notes->tavernix;
}

void PeerNotes::noteTavernix(qint16 index)
{
    if (Notes *notes = find(index))
        notes->tavernix = true;
}

void PeerNotes::countLine(qint16 index)
{
    if (Notes *notes = find(index))
        ++notes->received;
}

std::optional<qint64> PeerNotes::takeUntoldCount(qint16 index)
{
    Notes *notes = find(index);
    if (!notes || notes->received == notes->told)
        return std::nullopt;
    notes->told = notes->received;
    return notes->received;
}

bool PeerNotes::admitAddressEntry(qint16 index)
{
    Notes *notes = find(index);
    if (!notes || notes->addressEntries >= kMaxAddressEntries)
        return false;
    ++notes->addressEntries;
    return true;
}

bool PeerNotes::takeAddressRequest(qint16 index)
{
    Notes *notes = find(index);
    if (!notes || notes->addressesSent)
        return false;
    notes->addressesSent = true;
    return true;
}

} // namespace session
