// Splitting the letter text into the print row's pieces.
#include "mahnungschreiben.h"

#include <gtest/gtest.h>

namespace {

QString piece(const QString& text, int n) { return TfrmMahnungSchreiben::getBlobText(text, n); }

TEST(GetBlobText, TailAfterTheLastSentenceEndIsDropped)
{
    const QString text = QStringLiteral("Bitte zahlen Sie. Danke fuer Ihr Verstaendnis");
    EXPECT_EQ(piece(text, 0), QStringLiteral("Bitte zahlen Sie."));
    EXPECT_EQ(piece(text, 1), QString());
}

TEST(GetBlobText, CutsAfter250ScannedCharactersAtTheLastBreak)
{
    QString text(600, QLatin1Char('x'));
    for (int p = 100; p <= 600; p += 100)
        text[p - 1] = QLatin1Char('.');
    EXPECT_EQ(piece(text, 0), text.mid(0, 200));
    EXPECT_EQ(piece(text, 1), text.mid(200, 300));
    EXPECT_EQ(piece(text, 2), text.mid(500, 100));
    for (int n = 3; n <= 5; ++n)
        EXPECT_EQ(piece(text, n), QString()) << n;
}

TEST(GetBlobText, LineBreaksEndPiecesAfterTheirSecondCharacter)
{
    // CR LF and the two characters backslash and n are breaks; a lone LF or CR is not.
    QString text = QStringLiteral("Zeile eins\r\nZeile zwei\\nZeile drei\nohne Ende");
    EXPECT_EQ(piece(text, 0), QStringLiteral("Zeile eins\r\nZeile zwei\\n"));
    text = QString(260, QLatin1Char('a')) + QStringLiteral("!") + QString(300, QLatin1Char('b')) + QStringLiteral("?");
    // The cut comes once 250 characters were scanned, at the last break before it: with none yet,
    // piece 0 is the first character and the next piece runs to the first break.
    EXPECT_EQ(piece(text, 0), QStringLiteral("a"));
    EXPECT_EQ(piece(text, 1), text.mid(1, 260));
    EXPECT_EQ(piece(text, 2), text.mid(261));
}

TEST(GetBlobText, DegenerateTexts)
{
    EXPECT_EQ(piece(QString(), 0), QString());
    // No break at all: the first character (the scan starts behind it).
    EXPECT_EQ(piece(QStringLiteral("Ohne Satzende"), 0), QStringLiteral("O"));
    EXPECT_EQ(piece(QStringLiteral(".abc"), 0), QStringLiteral("."));
    // A break that ends the text: its second character is not scanned, the piece still ends there.
    EXPECT_EQ(piece(QStringLiteral("Ende\r\n"), 0), QStringLiteral("Ende\r\n"));
    EXPECT_EQ(piece(QStringLiteral("Ende\r"), 0), QStringLiteral("E"));
    EXPECT_EQ(piece(QStringLiteral("A. B."), 7), QString());
    // Long texts are handled in one pass and keep every piece within bounds.
    QString lang;
    while (lang.size() < 100000)
        lang += QStringLiteral("Ein Satz mit Ende. ");
    for (int n = 0; n < 6; ++n) {
        const QString p = piece(lang, n);
        EXPECT_FALSE(p.isEmpty());
        EXPECT_LE(p.size(), 250 + 20);
    }
}

}  // namespace
