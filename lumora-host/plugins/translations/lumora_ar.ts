<?xml version="1.0" encoding="utf-8"?>
<!-- SPDX-FileCopyrightText: 2026 The Lumora developers -->
<!-- SPDX-License-Identifier: LGPL-2.1-or-later -->
<!DOCTYPE TS>
<TS version="2.1" language="ar_EG">
<context>
    <name></name>
    <message id="qtn_lumo_editor_autofix_all">
        <source>Auto-fix</source>
        <translation>إصلاح تلقائي</translation>
    </message>
    <message id="qtn_lumo_editor_rotate_left">
        <source>Rotate left</source>
        <translation>تدوير لليسار</translation>
    </message>
    <message id="qtn_lumo_editor_rotate_right">
        <source>Rotate right</source>
        <translation>تدوير لليمين</translation>
    </message>
    <message id="qtn_lumo_editor_crop">
        <source>Crop</source>
        <translation>اقتصاص</translation>
    </message>
    <message id="qtn_lumo_editor_resize">
        <source>Resize</source>
        <translation>تغيير الحجم</translation>
    </message>
    <message id="qtn_lumo_editor_color_effects">
        <source>Colour effects</source>
        <translation>تأثيرات الألوان</translation>
    </message>
    <message id="qtn_lumo_editor_flip_horizontal">
        <source>Flip horizontal</source>
        <translation>قلب أفقي</translation>
    </message>
    <message id="qtn_lumo_editor_flip_vertical">
        <source>Flip vertical</source>
        <translation>قلب رأسي</translation>
    </message>
    <message id="qtn_lumo_screen_ratio">
        <source>Aspect ratio</source>
        <translation>نسبة الأبعاد</translation>
    </message>
    <message id="qtn_lumo_crop_toolbar_aspect_ratio_free">
        <source>Free</source>
        <translation>حر</translation>
    </message>
    <message id="qtn_lumo_crop_toolbar_aspect_ratio_org">
        <source>Original</source>
        <translation>الأصلية</translation>
    </message>
    <message id="qtn_lumo_crop_toolbar_aspect_ratio_square">
        <source>Square</source>
        <translation>مربع</translation>
    </message>
    <message id="qtn_lumo_crop_button_value_2">
        <source>%1 × %2 px</source>
        <translation>%L1 × %L2 بكسل</translation>
    </message>
    <message id="qtn_lumo_resize">
        <source>Resize to</source>
        <translation>تغيير الحجم إلى</translation>
    </message>
    <message id="qtn_lumo_resize_button_value_2">
        <source>%1 × %2 px</source>
        <translation>%L1 × %L2 بكسل</translation>
    </message>
    <message id="qtn_lumo_effect_1">
        <source>Black &amp; white</source>
        <translation>أبيض وأسود</translation>
    </message>
    <message id="qtn_lumo_effect_2">
        <source>Sepia</source>
        <translation>بني داكن</translation>
    </message>
    <message id="qtn_lumo_effect_3">
        <source>Cross-process</source>
        <translation>معالجة متقاطعة</translation>
    </message>
    <message id="qtn_lumo_effect_4">
        <source>Old colour</source>
        <translation>ألوان قديمة</translation>
    </message>
</context>
</TS>
