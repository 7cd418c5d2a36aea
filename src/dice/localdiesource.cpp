#include "localdiesource.h"

#include <QRandomGenerator>

namespace dice
{

std::optional<int> LocalDieSource::draw(int faces)
{
    while (true) {
        if (const auto face = faceFromWord(QRandomGenerator::system()->generate(), faces))
            return face;
    }
}

} // namespace dice
