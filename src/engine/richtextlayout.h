#pragma once

// Lays formatted text out into a rectangle, tells where the text stops
// fitting and draws it from a character position on. Lengths are twips
// (1440 per inch): the text is laid out on a 1440-dpi device, whatever the
// resolution of the canvas it is finally drawn on.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QStringList>

#include <memory>
#include <vector>

class QPainter;
class QTextDocument;

class TQRRichTextLayout
{
public:
    // Works on a copy of source, which may change or go away afterwards.
    TQRRichTextLayout(const QTextDocument &source, const QFont &defaultFont, Qt::Alignment defaultAlignment);
    ~TQRRichTextLayout();

    // The width lines are broken at; the text is laid out again when it changes.
    void SetWidth(double twips);
    // The position after the last character (what Fit returns when everything fits).
    int EndPosition() const;
    // Whether there is no text at all.
    bool IsEmpty() const;
    // The first character that does not fit into height twips when the text starts at from;
    // with atLeastOneLine, one line is taken even when it is taller than the height.
    int Fit(int from, double height, bool atLeastOneLine = false) const;
    // Height in twips the text from..to takes.
    double Height(int from, int to) const;
    // Draws the lines from..to with their top at the top of target (device pixels of a canvas
    // with dpiX x dpiY pixels per inch); text without its own colour uses textColor.
    void Render(QPainter *painter, const QRectF &target, double dpiX, double dpiY, int from, int to,
                const QColor &textColor) const;
    // The text of each line from..to with its top in twips relative to the line at from.
    std::vector<std::pair<double, QString>> LineTexts(int from, int to) const;

private:
    // Qt lays a document out in fixed-point coordinates that overflow (and hang the layout) a
    // few kilometres of twips down; very long texts are therefore laid out in pieces, each its
    // own document, stacked one under the other.
    struct Chunk {
        std::unique_ptr<QTextDocument> doc;
        int offset = 0; // position of the piece's first character in the whole text
        double top = 0; // twips above the piece
    };
    struct Line {
        int start, end;
        double top, bottom;
        int chunk;
    };
    void addChunk(const QTextDocument &source, int from, int to, const QFont &defaultFont,
                  Qt::Alignment defaultAlignment);
    int lineAt(int position) const;
    double topOf(int lineIndex) const;
    void layOut();

    std::vector<Chunk> m_chunks;
    std::vector<Line> m_lines;
    int m_end = 0;
    bool m_empty = true;
    double m_width = -1;
};
