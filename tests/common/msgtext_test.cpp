#include <gtest/gtest.h>

#include "common/msgtext.h"

using namespace arv;

TEST(MessageText, TrimsAndBreaksLinesAtSemicolons)
{
    EXPECT_EQ("Riga uno\nRiga due", messageText("  Riga uno;Riga due  "));
    EXPECT_EQ("a\n\nb", messageText("a;;b"));
    EXPECT_EQ("", messageText("   "));
}

TEST(MessageText, DosAccentedLettersBecomeLetters)
{
    EXPECT_EQ("Attività è però così più né", messageText("Attivit\x85 \x8A per\x95 cos\x8D pi\x97 n\x82"));
    // Letters already in UTF-8 (whose second byte may equal a DOS code) stay as they are.
    EXPECT_EQ("Città Perché Più", oemToUtf8Letters("Città Perché Più"));
    EXPECT_EQ("Å", oemToUtf8Letters("\xC3\x85"));
}

TEST(MessageKinds, TitlesButtonsDefaultsAndBeep)
{
    EXPECT_EQ("Attendere", messageTitle(MessageKind::Wait, ""));
    EXPECT_EQ("Attenzione", messageTitle(MessageKind::YesNo, ""));
    EXPECT_EQ("Stampa", messageTitle(MessageKind::Info, "Stampa"));

    EXPECT_FALSE(messageLayout(MessageKind::Info).beep);
    EXPECT_EQ(MessageButtons::Ok, messageLayout(MessageKind::Info).buttons);
    for (MessageKind k : {MessageKind::OkCancel, MessageKind::YesNoCancel, MessageKind::YesNo,
                          MessageKind::YesNoDefaultNo, MessageKind::StopOkCancel})
        EXPECT_TRUE(messageLayout(k).beep);
    EXPECT_EQ(MessageButtons::OkCancel, messageLayout(MessageKind::OkCancel).buttons);
    EXPECT_EQ(MessageButtons::YesNoCancel, messageLayout(MessageKind::YesNoCancel).buttons);
    EXPECT_EQ(kAnswerYes, messageLayout(MessageKind::YesNo).defaultAnswer);
    EXPECT_EQ(kAnswerNo, messageLayout(MessageKind::YesNoDefaultNo).defaultAnswer);
    EXPECT_EQ(MessageIcon::Stop, messageLayout(MessageKind::StopOkCancel).icon);
}

TEST(MessageKinds, Results)
{
    EXPECT_EQ(1, messageResult(MessageKind::OkCancel, kAnswerOk));
    EXPECT_EQ(0, messageResult(MessageKind::OkCancel, kAnswerCancel));
    EXPECT_EQ(1, messageResult(MessageKind::YesNoDefaultNo, kAnswerYes));
    EXPECT_EQ(0, messageResult(MessageKind::YesNo, kAnswerNo));
    EXPECT_EQ(kAnswerNo, messageResult(MessageKind::YesNoCancel, kAnswerNo));
    EXPECT_EQ(kAnswerCancel, messageResult(MessageKind::YesNoCancel, kAnswerCancel));
    EXPECT_EQ(0, messageResult(MessageKind::StopOkCancel, kAnswerCancel));
}
