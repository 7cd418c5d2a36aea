#include "seededdiesource.h"

#include <QtEndian>

namespace dice
{

namespace
{

constexpr int kWordsPerBlock = 8;

void appendU32(QByteArray &out, quint32 v)
{
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

void appendField(QByteArray &out, const QByteArray &field)
{
    appendU32(out, quint32(field.size()));
    out.append(field);
}

} // namespace

SeededDieSource::SeededDieSource(const QByteArray &seed, const QString &roller,
                                 const QByteArray &nonce, quint64 counter,
                                 const QString &expression)
    : m_mac(QCryptographicHash::Sha256, seed)
{
    m_prefix.append(kDomain, sizeof kDomain); // the terminating 0 is the separator
    appendField(m_prefix, roller.toUtf8());
    appendField(m_prefix, nonce);
    char c[8];
    qToBigEndian(counter, c);
    m_prefix.append(c, 8);
    appendField(m_prefix, expression.toUtf8());
}

quint32 SeededDieSource::nextWord()
{
    if (m_wordInBlock == kWordsPerBlock) {
        QByteArray message = m_prefix;
        appendU32(message, m_blockIndex++);
        m_mac.reset();
        m_mac.addData(message);
        m_block = m_mac.result();
        m_wordInBlock = 0;
    }
    return qFromBigEndian<quint32>(m_block.constData() + 4 * m_wordInBlock++);
}

std::optional<int> SeededDieSource::draw(int faces)
{
    while (true) {
        if (const auto face = faceFromWord(nextWord(), faces))
            return face;
    }
}

} // namespace dice
