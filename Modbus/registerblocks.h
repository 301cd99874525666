#ifndef REGISTERBLOCKS_H
#define REGISTERBLOCKS_H

#include <QtGlobal>

// The fixed register blocks in which the device is read.
struct RegisterBlock
{
    int start;
    int count;
};

constexpr int RegisterBlockCount = 20;
constexpr int LargestPolledBlock = 120; // block 9; blocks 8, 11 and 15 are never read
extern const RegisterBlock RegisterBlocks[RegisterBlockCount];

// Decodes the words of one block (count words from its start) into g_mirror,
// in the word order g_dwordFormat. Blocks without a decoding change nothing.
void decodeBlock(int block, const quint16 *words);

#endif // REGISTERBLOCKS_H
