// Memory contents for the tests that move whole radios: payloads for every block, none alike.
#pragma once

#include "image/radioimage.h"
#include "tools/radiosim/radiosim.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QRandomGenerator>

// Payloads by blockKey for every block of `groups` (indexes into blockGroups()), the same for the
// same seed.
inline QMap<int, QByteArray> randomBlocks(quint32 seed, const QList<int> &groups = {0, 1, 2, 3, 4})
{
    QRandomGenerator random(seed);
    QMap<int, QByteArray> out;
    for (int g : groups)
        for (int key : blockGroups().at(g).keys) {
            QByteArray p(28, '\0');
            for (char &b : p)
                b = char(random.bounded(256));
            if (p[1] == 0x30) // that byte would make the program acknowledge the answer
                p[1] = 0x31;
            out.insert(key, p);
        }
    return out;
}

// The same blocks, put into the simulated radio.
inline QMap<int, QByteArray> fillRadio(radiosim::RadioSim &sim, quint32 seed, const QList<int> &groups = {0, 1, 2, 3, 4})
{
    const QMap<int, QByteArray> blocks = randomBlocks(seed, groups);
    for (auto it = blocks.cbegin(); it != blocks.cend(); ++it)
        sim.setBlock(keyType(it.key()), keyNumber(it.key()), it.value());
    return blocks;
}
