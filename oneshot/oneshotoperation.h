// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef ONESHOTOPERATION_H
#define ONESHOTOPERATION_H

#include <QString>

class LumoraEditPlugin;

// An edit that runs the moment it is picked: one named filter with at most one
// option, and three constant answers to the editor menu.
struct OneShotOperation
{
    enum Option {
        NoOption, // empty option table
        HorizontalOption, // QuillImageFilter::Horizontal, bool
        AngleOption // QuillImageFilter::Angle, int
    };

    const char *nameId; // logical text identifier of the menu entry
    const char *iconId;
    int menuIndex;
    const char *filterName;
    Option option;
    int value; // the option's value: 0/1 for a bool, degrees for an angle

    QString name() const;
    QString iconID() const { return QString::fromLatin1(iconId); }

    // Asks the plug-in's edit UI provider, if any, to run the filter with a fresh
    // option table and flag 0, then emits the plug-in's editOperationPerformed().
    void perform(LumoraEditPlugin &plugin) const;
};

// The five one-shot edits. Each plug-in class is generated from one pattern and
// names its row here.
namespace OneShot {
inline constexpr OneShotOperation FlipVertical { "qtn_lumo_editor_flip_vertical",
                                                 "icon-m-image-edit-flip-vertical",
                                                 11,
                                                 "org.quenta.flip",
                                                 OneShotOperation::HorizontalOption,
                                                 false };
inline constexpr OneShotOperation FlipHorizontal { "qtn_lumo_editor_flip_horizontal",
                                                   "icon-m-image-edit-flip-horizontal",
                                                   10,
                                                   "org.quenta.flip",
                                                   OneShotOperation::HorizontalOption,
                                                   true };
inline constexpr OneShotOperation RotateClockwise { "qtn_lumo_editor_rotate_right",
                                                    "icon-m-image-edit-rotate-right",
                                                    3,
                                                    "org.quenta.rotate",
                                                    OneShotOperation::AngleOption,
                                                    90 };
inline constexpr OneShotOperation RotateCounterClockwise {
    "qtn_lumo_editor_rotate_left", "icon-m-image-edit-rotate-left", 2,
    "org.quenta.rotate",           OneShotOperation::AngleOption,   -90
};
inline constexpr OneShotOperation AutoFix {
    "qtn_lumo_editor_autofix_all", "icon-m-image-edit-autofix-all", 1,
    "org.quenta.auto.levels",      OneShotOperation::NoOption,      0
};
} // namespace OneShot

#endif // ONESHOTOPERATION_H
