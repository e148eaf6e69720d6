// SPDX-License-Identifier: GPL-3.0-or-later
// The words each front end gives a file error: the window's are the texts its users know, the
// batch tool's name the path in English.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/file_error_text.h"
#include "messages/file_error_text.h"

namespace swirlon {
namespace {

// A path the window shows as its user typed it, whatever the script.
constexpr const char* Path = "/home/渦/flow.bmp";

struct Wording {
    FileErrorKind kind;
    const char16_t* japanese;  // with the path in place
    const char* english;       // a phrase of the English text
};

const Wording LoaderWordings[] = {
    {FileErrorKind::noFileName, u"ファイル名がありません。", "no file name"},
    {FileErrorKind::openFailed, u"/home/渦/flow.bmp の\nオープンに失敗しました。", "cannot read"},
    {FileErrorKind::bmpFileHeaderShort, u"/home/渦/flow.bmp の\nBITMAPFILEHEADER 読み込みに失敗しました。",
     "BITMAPFILEHEADER"},
    {FileErrorKind::bmpInfoHeaderShort, u"/home/渦/flow.bmp の\nBITMAPINFOHEADER 読み込みに失敗しました。",
     "BITMAPINFOHEADER"},
    {FileErrorKind::bmpNot24Bit, u"/home/渦/flow.bmp は\n24 bit でありません。", "not a 24-bit"},
    {FileErrorKind::bmpNotBmp, u"/home/渦/flow.bmp は\nBMP ファイルでありません。", "not a BMP"},
    {FileErrorKind::bmpDamaged, u"/home/渦/flow.bmp は\n壊れています。", "damaged"},
    {FileErrorKind::bmpCompressed, u"/home/渦/flow.bmp は\n圧縮されています。", "compressed"},
    {FileErrorKind::bmpNegativeWidth, u"/home/渦/flow.bmp は\n幅が負の値です。", "width is negative"},
    {FileErrorKind::bmpDataCutShort, u"/home/渦/flow.bmp は\nデータがきれています。", "pixel data is cut short"},
    {FileErrorKind::bmpOutOfMemory, u"/home/渦/flow.bmp の\n読み込みに必要なメモリが足りません。", "memory"},
    {FileErrorKind::pictureUnreadable, u"/home/渦/flow.bmp は\n読み込める画像ファイルでありません。", "not a picture"},
};

TEST(FileErrorText, EachLoaderErrorHasTheWindowsJapaneseTextAndItsOwnEnglishLineNamingThePath) {
    std::set<std::string> englishTexts;
    for (const Wording& wording : LoaderWordings) {
        const FileError error{wording.kind, wording.kind == FileErrorKind::noFileName ? "" : Path, ""};
        const std::string line = english::fileErrorText(error);
        SCOPED_TRACE(line);
        EXPECT_EQ(fileErrorText(error), QString::fromUtf16(wording.japanese));
        EXPECT_NE(line.find(wording.english), std::string::npos);
        EXPECT_EQ(line.find(error.path), error.path.empty() ? 0 : line.find('\'') + 1);
        EXPECT_TRUE(englishTexts.insert(line).second) << "worded like another kind";
    }
}

TEST(FileErrorText, TheSystemsReasonFollowsBothTextsWhenTheSystemRefused) {
    const FileError error{FileErrorKind::openFailed, Path, "No such file or directory"};
    EXPECT_EQ(english::fileErrorText(error), std::string("cannot read '") + Path + "': No such file or directory");
    EXPECT_EQ(fileErrorText(error), QString::fromUtf16(LoaderWordings[1].japanese) +
                                        QString::fromUtf16(u"\n理由: No such file or directory"));
    const FileError unwritable{FileErrorKind::writeFailed, Path, "Permission denied"};
    EXPECT_EQ(fileErrorText(unwritable),
              QString::fromUtf16(u"/home/渦/flow.bmp の\n書き込みに失敗しました。\n理由: Permission denied"));
    // Details that are not the system's (a malformed member) stay out of the window's text.
    const FileError damaged{FileErrorKind::stateDamaged, Path, "frames"};
    EXPECT_EQ(fileErrorText(damaged), QString::fromUtf16(u"/home/渦/flow.bmp は\n壊れています。"));
}

}  // namespace
}  // namespace swirlon
