#pragma once

// The captions of the standard dialogs and their buttons, one row per language, in UTF-8.
// A "&" marks the access key.

// The columns of a row.
enum TDlgCaption {
    dcOK,
    dcCancel,
    dcYes,
    dcNo,
    dcHelp,
    dcClose,
    dcIgnore,
    dcRetry,
    dcAbort,
    dcAll,
    dcWarning, // the box captions
    dcError,
    dcInformation,
    dcConfirm,
    dcMsgYes, // the buttons of the message boxes
    dcMsgNo,
    dcMsgOK,
    dcMsgCancel,
    dcMsgHelp,
    dcMsgNoHelp, // shown when a box has no help
    dcMsgHelpCaption,
    dcMsgAbort,
    dcMsgRetry,
    dcMsgIgnore,
    dcMsgAll,
    dcMsgNoToAll,
    dcMsgYesToAll,
};

constexpr int DlgCaptionCount = dcMsgYesToAll + 1;
constexpr int DlgLanguageCount = 23;

// The codes in the order they are tested; DlgLanguageCodes[i] selects DlgCaptionRows[i].
extern const char* const DlgLanguageCodes[DlgLanguageCount];
extern const char* const DlgCaptionRows[DlgLanguageCount][DlgCaptionCount];

// The row of "en".
constexpr int DlgEnglishRow = 1;
