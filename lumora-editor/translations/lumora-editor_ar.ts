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
    <message>
        <source>&amp;Actual Size (100 %)</source>
        <translation>الحجم ال&amp;فعلي (100 %)</translation>
    </message>
    <message>
        <source>&amp;Previous Picture</source>
        <translation>الصورة ال&amp;سابقة</translation>
    </message>
    <message>
        <source>&amp;Next Picture</source>
        <translation>الصورة ال&amp;تالية</translation>
    </message>
    <message>
        <source>F&amp;ull Screen</source>
        <translation>ملء ال&amp;شاشة</translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation>الصور ال&amp;حديثة</translation>
    </message>
    <message>
        <source>Open a picture with Open (Ctrl+O),
or drop one here.</source>
        <translation>افتح صورة بزر فتح (Ctrl+O)،
أو أفلتها هنا.</translation>
    </message>
    <message>
        <source>This is the folder's last picture</source>
        <translation>هذه آخر صورة في المجلد</translation>
    </message>
    <message>
        <source>This is the folder's first picture</source>
        <translation>هذه أول صورة في المجلد</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>م&amp;ساعدة</translation>
    </message>
    <message>
        <source>&amp;Keys…</source>
        <translation>المفاتي&amp;ح…</translation>
    </message>
    <message>
        <source>&amp;Undo %1</source>
        <translation>&amp;تراجع عن %1</translation>
    </message>
    <message>
        <source>&amp;Redo %1</source>
        <translation>إ&amp;عادة %1</translation>
    </message>
    <message>
        <source>Replace the Original</source>
        <translation>استبدال الأصل</translation>
    </message>
    <message>
        <source>Save as a Copy</source>
        <translation>حفظ نسخة</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>المفاتيح</translation>
    </message>
    <message>
        <source>Key</source>
        <translation>المفتاح</translation>
    </message>
    <message>
        <source>Does</source>
        <translation>الوظيفة</translation>
    </message>
    <message>
        <source>, </source>
        <translation>، </translation>
    </message>
    <message>
        <source>Hold to show the original</source>
        <translation>اضغط مطولًا لعرض الأصل</translation>
    </message>
    <message>
        <source>Tab, Shift+Tab</source>
        <translation>Tab، Shift+Tab</translation>
    </message>
    <message>
        <source>Move the focus over the tool bar's buttons or the list's rows</source>
        <translation>نقل التركيز بين أزرار شريط الأدوات أو صفوف القائمة</translation>
    </message>
    <message>
        <source>Left, Right</source>
        <translation>يسار، يمين</translation>
    </message>
    <message>
        <source>Move along the tool bar</source>
        <translation>التنقل على شريط الأدوات</translation>
    </message>
    <message>
        <source>Up, Down</source>
        <translation>أعلى، أسفل</translation>
    </message>
    <message>
        <source>Move in an open list</source>
        <translation>التنقل في قائمة مفتوحة</translation>
    </message>
    <message>
        <source>Space, Return</source>
        <translation>مسافة، إدخال</translation>
    </message>
    <message>
        <source>Press the focused button or pick the focused row</source>
        <translation>ضغط الزر المُركَّز عليه أو اختيار الصف المُركَّز عليه</translation>
    </message>
    <message>
        <source>Escape</source>
        <translation>Escape</translation>
    </message>
    <message>
        <source>Close an open list; otherwise cancel the active edit</source>
        <translation>إغلاق القائمة المفتوحة، وإلا إلغاء التعديل الجاري</translation>
    </message>
    <message>
        <source>Arrow keys</source>
        <translation>مفاتيح الأسهم</translation>
    </message>
    <message>
        <source>Move the crop selection by a pixel</source>
        <translation>تحريك تحديد الاقتصاص بكسلًا واحدًا</translation>
    </message>
    <message>
        <source>Shift+arrow keys</source>
        <translation>Shift+مفاتيح الأسهم</translation>
    </message>
    <message>
        <source>Move the crop selection by ten pixels</source>
        <translation>تحريك تحديد الاقتصاص عشرة بكسلات</translation>
    </message>
</context>
<context>
    <name>MetadataPanel</name>
    <message>
        <source>Picture information</source>
        <translation>معلومات الصورة</translation>
    </message>
    <message>
        <source>Picture &amp;Information</source>
        <translation>&amp;معلومات الصورة</translation>
    </message>
    <message>
        <source>Picture information (F9)</source>
        <translation>معلومات الصورة (F9)</translation>
    </message>
</context>
<context>
    <name>SaveChoiceDialog</name>
    <message>
        <source>As the original (%1)</source>
        <translation>كما في الأصل (%1)</translation>
    </message>
    <message>
        <source>As the original</source>
        <translation>كما في الأصل</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>حفظ</translation>
    </message>
    <message>
        <source>Save the edited picture as a copy beside %1, or replace the original? A replaced original cannot be brought back.</source>
        <translation>هل تريد حفظ الصورة المعدلة نسخةً بجانب %1، أم استبدال الأصل؟ لا يمكن استعادة الأصل بعد استبداله.</translation>
    </message>
    <message>
        <source>JPEG &amp;quality:</source>
        <translation>&amp;جودة JPEG:</translation>
    </message>
    <message>
        <source>&amp;Always do this</source>
        <translation>افعل هذا &amp;دائمًا</translation>
    </message>
    <message>
        <source>Save as a &amp;Copy</source>
        <translation>حفظ &amp;نسخة</translation>
    </message>
    <message>
        <source>&amp;Replace the Original</source>
        <translation>ا&amp;ستبدال الأصل</translation>
    </message>
    <message>
        <source>JPEG quality</source>
        <translation>جودة JPEG</translation>
    </message>
</context>
</TS>
