#pragma once

// The adaptive splay-tree prefix code of D. W. Jones that compressed page
// records use. A fresh coder is used for every page, by the writer and the
// reader alike.
//
// The tree has internal nodes 0 .. 255 (root 0) and leaves 256 .. 512; the
// leaf of byte b is node b + 256. It starts complete: Left[i] = 2i + 1,
// Right[i] = 2i + 2, Up[i] = (i - 1) div 2. A byte is coded as the path from
// the root to its leaf (1 = right, 0 = left), bits packed least significant
// first; after each byte its leaf is splayed towards the root.

#include <QByteArray>
#include <QtGlobal>

class TQRCompress
{
public:
    TQRCompress();
    // Back to the initial tree and an empty bit buffer.
    void Reset();

    // Encoding: appends every completed output byte to out.
    void Compress(quint8 byte, QByteArray &out);
    // Writes a partly filled last byte (padded with zero bits).
    void Finish(QByteArray &out);

    // Decoding: the next byte from the bit stream data[*pos ..]; *pos advances
    // when a new input byte is taken. False when the data runs out or leads
    // to the unused leaf 512 (a damaged stream).
    bool Expand(const char *data, qsizetype size, qsizetype *pos, quint8 *byte);

    // Whole buffers with a fresh tree.
    static QByteArray CompressBytes(const QByteArray &bytes);
    // The same into out, which keeps its capacity from call to call; returns
    // the number of bytes written (out may be larger).
    static qsizetype CompressInto(const char *data, qsizetype size, QByteArray *out);
    // Decodes exactly length bytes; false for a damaged or short bit stream.
    static bool ExpandBytes(const char *data, qsizetype size, qsizetype length, QByteArray *out);

private:
    void splay(int byte);

    quint16 m_left[256];
    quint16 m_right[256];
    quint8 m_up[513];
    // Encoder bit buffer.
    quint8 m_outByte = 0;
    int m_outBit = 0;
    // Decoder bit buffer; 8 means "take a new byte".
    quint8 m_inByte = 0;
    int m_inBit = 8;
};
