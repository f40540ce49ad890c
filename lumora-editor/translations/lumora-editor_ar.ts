<?xml version="1.0" encoding="utf-8"?>
<!-- SPDX-FileCopyrightText: 2026 The Lumora developers -->
<!-- SPDX-License-Identifier: LGPL-2.1-or-later -->
<!DOCTYPE TS>
<TS version="2.1" language="ar_EG">
<context>
    <name>EditorWindow</name>
    <message>
        <source>Plug-ins refused: %1. See View, Plug-ins.</source>
        <translation>إضافات مرفوضة: %1. انظر عرض، الإضافات.</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;ملف</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;تحرير</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;عرض</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>ال&amp;لغة</translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation>&amp;فتح…</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;حفظ</translation>
    </message>
    <message>
        <source>Save &amp;As…</source>
        <translation>حفظ &amp;باسم…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;خروج</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;تراجع</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;إعادة</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>تأكيد</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>إلغاء</translation>
    </message>
    <message>
        <source>Zoom &amp;In</source>
        <translation>&amp;تكبير</translation>
    </message>
    <message>
        <source>Zoom &amp;Out</source>
        <translation>ت&amp;صغير</translation>
    </message>
    <message>
        <source>&amp;Fit to Window</source>
        <translation>ملاءمة لل&amp;نافذة</translation>
    </message>
    <message>
        <source>&amp;Plug-ins…</source>
        <translation>الإ&amp;ضافات…</translation>
    </message>
    <message>
        <source>Editor menu</source>
        <translation>قائمة المحرر</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>تراجع عن %1</translation>
    </message>
    <message>
        <source>Nothing to undo</source>
        <translation>لا شيء للتراجع عنه</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>إعادة %1</translation>
    </message>
    <message>
        <source>Nothing to redo</source>
        <translation>لا شيء لإعادته</translation>
    </message>
    <message>
        <source>%1[*] – lumora-editor</source>
        <translation>%1[*] – lumora-editor</translation>
    </message>
    <message>
        <source>%1 × %2 px, %3</source>
        <translation>%1 × %2 بكسل، %3</translation>
    </message>
    <message>
        <source>%1: nothing changed</source>
        <translation>%1: لم يتغير شيء</translation>
    </message>
    <message>
        <source>%1 failed: %2</source>
        <translation>فشل %1: %2</translation>
    </message>
    <message>
        <source>Unsaved changes</source>
        <translation>تغييرات غير محفوظة</translation>
    </message>
    <message>
        <source>Save the changes to %1?</source>
        <translation>هل تريد حفظ التغييرات في %1؟</translation>
    </message>
    <message>
        <source>Save the changes to %1, with the %2 edit in progress?</source>
        <translation>هل تريد حفظ التغييرات في %1، مع تعديل %2 الجاري؟</translation>
    </message>
    <message>
        <source>Save confirms %1 first; Discard drops it with every unsaved change.</source>
        <translation>الحفظ يؤكد %1 أولًا؛ والتجاهل يُسقطه مع كل تغيير غير محفوظ.</translation>
    </message>
    <message>
        <source>%1 had been changed on disk by another program since it was opened; the picture shown here was saved over it.</source>
        <translation>غيّر برنامج آخر %1 على القرص منذ فتحه؛ حُفظت الصورة المعروضة هنا فوقه.</translation>
    </message>
    <message>
        <source>Open picture</source>
        <translation>فتح صورة</translation>
    </message>
    <message>
        <source>Pictures (*.jpg *.jpeg *.png *.tif *.tiff *.webp *.bmp *.gif);;All files (*)</source>
        <translation>الصور (*.jpg *.jpeg *.png *.tif *.tiff *.webp *.bmp *.gif);;كل الملفات (*)</translation>
    </message>
    <message>
        <source>Save picture as</source>
        <translation>حفظ الصورة باسم</translation>
    </message>
    <message>
        <source>Pictures (*.jpg *.jpeg *.png *.tif *.tiff *.webp *.bmp)</source>
        <translation>الصور (*.jpg *.jpeg *.png *.tif *.tiff *.webp *.bmp)</translation>
    </message>
    <message>
        <source>Cannot write %1: no picture format has that name.</source>
        <translation>تعذرت كتابة %1: لا توجد صيغة صور بهذا الاسم.</translation>
    </message>
    <message>
        <source>Saved %1</source>
        <translation>حُفظ %1</translation>
    </message>
    <message>
        <source>Plug-ins</source>
        <translation>الإضافات</translation>
    </message>
    <message>
        <source>Entry</source>
        <translation>المدخل</translation>
    </message>
    <message>
        <source>Class</source>
        <translation>الصنف</translation>
    </message>
    <message>
        <source>File</source>
        <translation>الملف</translation>
    </message>
    <message>
        <source>Loaded</source>
        <translation>محمّلة</translation>
    </message>
    <message>
        <source>Refused</source>
        <translation>مرفوضة</translation>
    </message>
    <message>
        <source>No picture</source>
        <translation>لا صورة</translation>
    </message>
    <message>
        <source>Re&amp;vert to Original</source>
        <translation>ال&amp;رجوع إلى الأصل</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>مقارنة</translation>
    </message>
    <message>
        <source>Hold to show the original (\)</source>
        <translation>اضغط مطولاً لعرض الأصل (\)</translation>
    </message>
    <message>
        <source>Stop saving; the file stays as it was</source>
        <translation>إيقاف الحفظ؛ يبقى الملف كما كان</translation>
    </message>
    <message>
        <source>Saving %1…</source>
        <translation>جارٍ حفظ %1…</translation>
    </message>
    <message>
        <source>Saving cancelled: %1 is as it was.</source>
        <translation>أُلغي الحفظ: بقي %1 كما كان.</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>الحفظ</translation>
    </message>
    <message>
        <source>%1 is being saved. Close when it is saved, or stop saving and close?</source>
        <translation>يجري حفظ %1. هل تغلق بعد انتهاء الحفظ، أم توقف الحفظ وتغلق؟</translation>
    </message>
    <message>
        <source>Close When Saved</source>
        <translation>إغلاق بعد الحفظ</translation>
    </message>
    <message>
        <source>Stop and Close</source>
        <translation>إيقاف وإغلاق</translation>
    </message>
    <message>
        <source>Revert to Original</source>
        <translation>الرجوع إلى الأصل</translation>
    </message>
    <message>
        <source>Reverted to the original</source>
        <translation>أُعيدت الصورة إلى أصلها</translation>
    </message>
    <message>
        <source>Showing the original</source>
        <translation>يُعرض الأصل</translation>
    </message>
</context>
</TS>
