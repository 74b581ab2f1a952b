// The About box template, field by field, as the dialog manager reads it.
#include "resource_reader.h"

#include <gtest/gtest.h>

#include "expected.h"

namespace {

struct ExpectedControl {
    uint32_t style;
    int16_t x, y, cx, cy;
    uint16_t id;
    uint16_t class_atom;
    uint16_t icon;        // the ordinal title of an icon static, else 0
    const wchar_t *text;  // else the text
};

const uint16_t STATIC_ATOM = 0x0082;
const uint16_t BUTTON_ATOM = 0x0080;

const ExpectedControl CONTROLS[4] = {
    // WS_CHILD | WS_VISIBLE | SS_ICON, showing icon group 107
    {0x50000003, 14, 9, 16, 16, 2, STATIC_ATOM, 107, NULL},
    // WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOPREFIX
    {0x50020080, 49, 10, 119, 8, 0xFFFF, STATIC_ATOM, 0, ABOUT_VERSION_TEXT},
    // WS_CHILD | WS_VISIBLE | WS_GROUP, left-aligned
    {0x50020000, 49, 20, 119, 8, 0xFFFF, STATIC_ATOM, 0, L"Stills from the USB camera"},
    // WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK
    {0x50030001, 195, 6, 30, 11, 1, BUTTON_ATOM, 0, L"OK"},
};

}  // namespace

TEST(AboutBox, TemplateHeader)
{
    Reader reader = MakeReader(JapaneseResource(RT_DIALOG, 103));
    ASSERT_TRUE(reader.base != NULL);

    // DS_SETFONT | DS_MODALFRAME | WS_CAPTION | WS_SYSMENU, no WS_POPUP.
    EXPECT_EQ(0x00C800C0u, ReadDword(&reader));
    EXPECT_EQ(0u, ReadDword(&reader));  // extended style
    EXPECT_EQ(4, ReadWord(&reader));    // controls
    EXPECT_EQ(22, static_cast<int16_t>(ReadWord(&reader)));
    EXPECT_EQ(17, static_cast<int16_t>(ReadWord(&reader)));
    EXPECT_EQ(230, static_cast<int16_t>(ReadWord(&reader)));
    EXPECT_EQ(75, static_cast<int16_t>(ReadWord(&reader)));

    NameOrOrdinal menu = ReadNameOrOrdinal(&reader);
    EXPECT_FALSE(menu.is_ordinal);
    EXPECT_EQ(L"", menu.text);
    NameOrOrdinal dialog_class = ReadNameOrOrdinal(&reader);
    EXPECT_FALSE(dialog_class.is_ordinal);
    EXPECT_EQ(L"", dialog_class.text);

    EXPECT_EQ(ABOUT_TITLE, ReadText(&reader));
    EXPECT_EQ(8, ReadWord(&reader));  // points
    EXPECT_EQ(L"System", ReadText(&reader));
    EXPECT_FALSE(reader.overrun);
}

TEST(AboutBox, ControlsInOrder)
{
    Reader reader = MakeReader(JapaneseResource(RT_DIALOG, 103));
    ASSERT_TRUE(reader.base != NULL);
    reader.offset = 18;          // past the fixed part of the header
    ReadNameOrOrdinal(&reader);  // menu
    ReadNameOrOrdinal(&reader);  // class
    ReadText(&reader);           // title
    ReadWord(&reader);           // points
    ReadText(&reader);           // font

    for (const ExpectedControl &want : CONTROLS) {
        SCOPED_TRACE(testing::Message()
                     << "control id " << want.id << " at " << want.x << "," << want.y);
        AlignDword(&reader);
        EXPECT_EQ(want.style, ReadDword(&reader));
        EXPECT_EQ(0u, ReadDword(&reader));  // extended style
        EXPECT_EQ(want.x, static_cast<int16_t>(ReadWord(&reader)));
        EXPECT_EQ(want.y, static_cast<int16_t>(ReadWord(&reader)));
        EXPECT_EQ(want.cx, static_cast<int16_t>(ReadWord(&reader)));
        EXPECT_EQ(want.cy, static_cast<int16_t>(ReadWord(&reader)));
        EXPECT_EQ(want.id, ReadWord(&reader));

        NameOrOrdinal control_class = ReadNameOrOrdinal(&reader);
        EXPECT_TRUE(control_class.is_ordinal);
        EXPECT_EQ(want.class_atom, control_class.ordinal);

        NameOrOrdinal title = ReadNameOrOrdinal(&reader);
        if (want.text == NULL) {
            EXPECT_TRUE(title.is_ordinal);
            EXPECT_EQ(want.icon, title.ordinal);
        } else {
            EXPECT_FALSE(title.is_ordinal);
            EXPECT_EQ(want.text, title.text);
        }
        EXPECT_EQ(0, ReadWord(&reader));  // no creation data
    }
    EXPECT_FALSE(reader.overrun);
    // Nothing follows the fourth control but padding.
    EXPECT_LE(reader.size - reader.offset, 3u);
}
