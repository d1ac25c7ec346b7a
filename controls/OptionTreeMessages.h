#pragma once
// What the option tree, its items and the in-place editor say to each other and to the
// tree's parent: item kinds and actions, the notification codes and the private messages.
#include "win/Win32.h"

class OptionTreeItem;

enum class ItemKind { Text = 2, Choice = 4, Check = 6 };

enum class ItemAction { Activate = 1, Click = 3, DoubleClick = 4, EditKey = 6, Space = 7 };

// Notification codes sent to the tree's parent in WM_NOTIFY (header, then the item).
// Where a reply is read, a non-zero reply vetoes what is announced.
constexpr int kOtnSelectionChanged = -3001;
constexpr int kOtnValueChanging = -3002;   // non-zero: the value stays
constexpr int kOtnValueChanged = -3003;
constexpr int kOtnCollapsing = -3004;      // non-zero: the node stays open
constexpr int kOtnExpanding = -3005;       // non-zero: the node stays closed
constexpr int kOtnClick = -3007;           // non-zero: the item does not act on the click
constexpr int kOtnDoubleClick = -3008;     // non-zero: the item does not act on the double-click

struct OptionTreeNotify {
    NMHDR hdr;
    OptionTreeItem* item;
};

// Private messages of the tree window.
constexpr UINT kOtmEditorCommit = WM_USER + 430;        // wParam: the editor's window
constexpr UINT kOtmEditorCancel = WM_USER + 431;        // wParam: the editor's window
constexpr UINT kOtmValueChangeRequest = WM_USER + 432;  // wParam: const VARIANT*, lParam: OptionTreeItem*

// Private messages of an in-place editor window, sent by the tree while the editor's node
// is selected, so that the keyboard reaches the editor without the focus leaving the tree.
constexpr UINT kOteKey = WM_USER + 441;      // wParam: virtual key, lParam: 1 when Alt is down;
                                             // non-zero reply: the editor acted on the key
constexpr UINT kOteIsOpen = WM_USER + 442;   // non-zero reply: its list is open and wants every key
constexpr UINT kOteCloseUp = WM_USER + 443;  // wParam: the window taking the focus; closes the
                                             // list, choosing nothing, unless that is the editor's

// Option word flags.
constexpr unsigned kOptionCheckOnImageOnly = 1;     // a check node reacts only to clicks on its image
constexpr unsigned kOptionFreezeAfterClick = 2;     // after the first click no node opens or closes

// Images of a check node: unchecked, checked; a disabled item adds kCheckImageDisabled.
constexpr int kCheckImageUnchecked = 0;
constexpr int kCheckImageChecked = 1;
constexpr int kCheckImageDisabled = 4;
