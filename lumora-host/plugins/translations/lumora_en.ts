<?xml version="1.0" encoding="utf-8"?>
<!-- SPDX-FileCopyrightText: 2026 The Lumora developers -->
<!-- SPDX-License-Identifier: LGPL-2.1-or-later -->
<!DOCTYPE TS>
<TS version="2.1" language="en_GB">
<context>
    <name></name>
    <message id="qtn_lumo_editor_autofix_all">
        <source>Auto-fix</source>
        <translation>Auto-fix</translation>
    </message>
    <message id="qtn_lumo_editor_rotate_left">
        <source>Rotate left</source>
        <translation>Rotate left</translation>
    </message>
    <message id="qtn_lumo_editor_rotate_right">
        <source>Rotate right</source>
        <translation>Rotate right</translation>
    </message>
    <message id="qtn_lumo_editor_crop">
        <source>Crop</source>
        <translation>Crop</translation>
    </message>
    <message id="qtn_lumo_editor_resize">
        <source>Resize</source>
        <translation>Resize</translation>
    </message>
    <message id="qtn_lumo_editor_color_effects">
        <source>Colour effects</source>
        <translation>Colour effects</translation>
    </message>
    <message id="qtn_lumo_editor_flip_horizontal">
        <source>Flip horizontal</source>
        <translation>Flip horizontal</translation>
    </message>
    <message id="qtn_lumo_editor_flip_vertical">
        <source>Flip vertical</source>
        <translation>Flip vertical</translation>
    </message>
    <message id="qtn_lumo_screen_ratio">
        <source>Aspect ratio</source>
        <translation>Aspect ratio</translation>
    </message>
    <message id="qtn_lumo_crop_toolbar_aspect_ratio_free">
        <source>Free</source>
        <translation>Free</translation>
    </message>
    <message id="qtn_lumo_crop_toolbar_aspect_ratio_org">
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message id="qtn_lumo_crop_toolbar_aspect_ratio_square">
        <source>Square</source>
        <translation>Square</translation>
    </message>
    <message id="qtn_lumo_crop_button_value_2">
        <source>%1 × %2 px</source>
        <translation>%1 × %2 px</translation>
    </message>
    <message id="qtn_lumo_resize">
        <source>Resize to</source>
        <translation>Resize to</translation>
    </message>
    <message id="qtn_lumo_resize_button_value_2">
        <source>%1 × %2 px</source>
        <translation>%1 × %2 px</translation>
    </message>
    <message id="qtn_lumo_effect_1">
        <source>Black &amp; white</source>
        <translation>Black &amp; white</translation>
    </message>
    <message id="qtn_lumo_effect_2">
        <source>Sepia</source>
        <translation>Sepia</translation>
    </message>
    <message id="qtn_lumo_effect_3">
        <source>Cross-process</source>
        <translation>Cross-process</translation>
    </message>
    <message id="qtn_lumo_effect_4">
        <source>Old colour</source>
        <translation>Old colour</translation>
    </message>
</context>
</TS>
