#pragma once
// Marks a text of the layouts and menus for the translators. The description gives these texts
// in Chinese, and they stay the source: lupdate reads the mark as QT_TRANSLATE_NOOP with its
// context, and the window shows the text through the translation of the user's language
// (widgets/ShownText.h), which keeps it as it is in a Chinese locale. The mark itself leaves
// the text unchanged.
#define SHOWN_TEXT(context, text) text

// The one context of every marked text.
#define SHOWN_TEXT_CONTEXT "Meshcfg"
