#ifndef REGISTERBLOCKS_H
#define REGISTERBLOCKS_H

#include <QtGlobal>

#include "Modbus/registermap.h"

// One register block: its first register and its length.
struct RegisterBlock
{
    int start;
    int count;
};

constexpr int LargestPolledBlock = 120; // Block::Comparators1To6
// Indexed by int(Block).
extern const RegisterBlock RegisterBlocks[RegisterBlockCount];

// Decodes the words of one block (count words from its start) into g_mirror,
// in the word order g_dwordFormat. Blocks without a decoding change nothing.
void decodeBlock(Block block, const quint16 *words);

// Whether the block was read over the present link (DeviceMirror::blockRead).
bool blockWasRead(Block block);

#endif // REGISTERBLOCKS_H
