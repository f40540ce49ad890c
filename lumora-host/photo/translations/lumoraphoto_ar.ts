<?xml version="1.0" encoding="utf-8"?>
<!-- SPDX-FileCopyrightText: 2026 The Lumora developers -->
<!-- SPDX-License-Identifier: LGPL-2.1-or-later -->
<!DOCTYPE TS>
<TS version="2.1" language="ar">
<context>
    <name>FormatCheck</name>
    <message>
        <source>its RLE data ends before the end of the picture</source>
        <translation>تنتهي بيانات RLE فيها قبل نهاية الصورة</translation>
    </message>
    <message>
        <source>its header is cut short</source>
        <translation>ترويستها مبتورة</translation>
    </message>
    <message>
        <source>its pixel data is missing</source>
        <translation>بيانات بكسلاتها مفقودة</translation>
    </message>
    <message>
        <source>its header declares more pixel data than a file can hold</source>
        <translation>تعلن ترويستها عن بيانات بكسلات أكثر مما يسعه ملف</translation>
    </message>
    <message>
        <source>its pixel data ends %1 bytes early</source>
        <translation>تنتهي بيانات بكسلاتها قبل أوانها بـ %1 بايت</translation>
    </message>
    <message>
        <source>its header is incomplete</source>
        <translation>ترويستها ناقصة</translation>
    </message>
    <message>
        <source>its bit array has no end</source>
        <translation>مصفوفة بتاتها بلا نهاية</translation>
    </message>
    <message>
        <source>its bit array holds %1 of %2 bytes</source>
        <translation>تحوي مصفوفة بتاتها %1 من %2 بايت</translation>
    </message>
    <message>
        <source>its data ends inside a picture</source>
        <translation>تنتهي بياناتها داخل صورة</translation>
    </message>
</context>
<context>
    <name>HeifFile</name>
    <message>
        <source>it is a sequence of pictures, and only a single picture can be edited</source>
        <translation>إنه سلسلة من الصور، ولا يمكن تحرير إلا صورة واحدة</translation>
    </message>
    <message>
        <source>the picture is damaged (%1)</source>
        <translation>الصورة تالفة (%1)</translation>
    </message>
    <message>
        <source>it holds %1 pictures; only a single picture can be edited, and the others would be lost</source>
        <translation>يحوي %1 صور؛ لا يمكن تحرير إلا صورة واحدة، وستضيع الأخرى</translation>
    </message>
    <message>
        <source>a depth map</source>
        <translation>خريطة عمق</translation>
    </message>
    <message>
        <source>an auxiliary picture (%1)</source>
        <translation>صورة مساعدة (%1)</translation>
    </message>
    <message>
        <source>the picture does not fit in memory</source>
        <translation>الصورة لا تتسع لها الذاكرة</translation>
    </message>
    <message>
        <source>libheif has no %1 encoder here (%2)</source>
        <translation>لا يتوفر لـ libheif هنا مرمّز %1 (%2)</translation>
    </message>
    <message>
        <source>the thumbnail: %1</source>
        <translation>الصورة المصغرة: %1</translation>
    </message>
    <message>
        <source>the metadata: %1</source>
        <translation>البيانات الوصفية: %1</translation>
    </message>
</context>
<context>
    <name>ImageRows</name>
    <message>
        <source>the picture was not made as announced</source>
        <translation>لم تُصنع الصورة كما أُعلن عنها</translation>
    </message>
</context>
<context>
    <name>JpegCodec</name>
    <message>
        <source>the JPEG data is damaged</source>
        <translation>بيانات JPEG تالفة</translation>
    </message>
    <message>
        <source>the JPEG data cannot be decoded</source>
        <translation>تعذر فك ترميز بيانات JPEG</translation>
    </message>
    <message>
        <source>TurboJPEG cannot start</source>
        <translation>تعذر تشغيل TurboJPEG</translation>
    </message>
    <message>
        <source>the data is no JPEG (it does not start with SOI)</source>
        <translation>البيانات ليست JPEG (لا تبدأ بـ SOI)</translation>
    </message>
    <message>
        <source>the JPEG is damaged: it ends before its picture begins</source>
        <translation>ملف JPEG تالف: ينتهي قبل أن تبدأ صورته</translation>
    </message>
    <message>
        <source>the JPEG header is damaged</source>
        <translation>ترويسة JPEG تالفة</translation>
    </message>
    <message>
        <source>the JPEG cannot be turned losslessly (TurboJPEG knows no name for its chroma sampling)</source>
        <translation>تعذر تدوير JPEG دون فقد (لا يعرف TurboJPEG اسمًا لاعتيان الألوان فيه)</translation>
    </message>
    <message>
        <source>the JPEG cannot be turned losslessly (its %1 of %2 pixels is no whole number of %3-pixel MCU blocks)</source>
        <translation>تعذر تدوير JPEG دون فقد (قياسه %1 من %2 بكسل ليس عددًا صحيحًا من كتل MCU ذات %3 بكسل)</translation>
    </message>
    <message>
        <source>the picture of %1 x %2 pixels does not fit in memory</source>
        <translation>الصورة ذات %1 × %2 بكسل لا تتسع لها الذاكرة</translation>
    </message>
    <message>
        <source>there is no picture to encode</source>
        <translation>لا توجد صورة لترميزها</translation>
    </message>
    <message>
        <source>the picture cannot be encoded as JPEG</source>
        <translation>تعذر ترميز الصورة بصيغة JPEG</translation>
    </message>
    <message>
        <source>the JPEG cannot be turned losslessly</source>
        <translation>تعذر تدوير JPEG دون فقد</translation>
    </message>
</context>
<context>
    <name>JpegStream</name>
    <message>
        <source>the picture of %1 x %2 pixels does not fit in memory</source>
        <translation>الصورة ذات %1 × %2 بكسل لا تتسع لها الذاكرة</translation>
    </message>
    <message>
        <source>the JPEG data is damaged</source>
        <translation>بيانات JPEG تالفة</translation>
    </message>
    <message>
        <source>the JPEG data cannot be decoded</source>
        <translation>تعذر فك ترميز بيانات JPEG</translation>
    </message>
    <message>
        <source>the picture cannot be encoded as JPEG (%1)</source>
        <translation>تعذر ترميز الصورة بصيغة JPEG (%1)</translation>
    </message>
    <message>
        <source>there is no picture to encode</source>
        <translation>لا توجد صورة لترميزها</translation>
    </message>
    <message>
        <source>the picture cannot be encoded as JPEG (a band of %1 x %2 pixels does not follow the %3 of %4 x %5 rows)</source>
        <translation>تعذر ترميز الصورة بصيغة JPEG (شريط من %1 × %2 بكسل لا يتبع %3 من %4 × %5 صفوف)</translation>
    </message>
    <message>
        <source>the picture cannot be encoded as JPEG (%1 of its %2 rows were given)</source>
        <translation>تعذر ترميز الصورة بصيغة JPEG (أُعطي %1 من صفوفها الـ %2)</translation>
    </message>
</context>
<context>
    <name>PictureFile</name>
    <message>
        <source>cannot write %1: the picture ends after %2 of its %3 rows</source>
        <translation>تعذرت كتابة %1: تنتهي الصورة بعد %2 من صفوفها الـ %3</translation>
    </message>
    <message>
        <source>cannot write %1: the picture of %2 x %3 pixels does not fit in memory</source>
        <translation>تعذرت كتابة %1: الصورة ذات %2 × %3 بكسل لا تتسع لها الذاكرة</translation>
    </message>
    <message>
        <source>cannot write %1: a band does not fit the picture</source>
        <translation>تعذرت كتابة %1: شريط لا يوافق الصورة</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>تعذرت قراءة %1: %2</translation>
    </message>
    <message>
        <source>it is a socket, not a picture file</source>
        <translation>إنه مقبس، وليس ملف صورة</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>لا يوجد ملف بهذا الاسم</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>مجلد</translation>
    </message>
    <message>
        <source>a FIFO</source>
        <translation>أنبوب FIFO</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>جهاز</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>مقبس</translation>
    </message>
    <message>
        <source>cannot read %1: it is %2, not a picture file</source>
        <translation>تعذرت قراءة %1: إنه %2، وليس ملف صورة</translation>
    </message>
    <message>
        <source>cannot read %1: the file is empty</source>
        <translation>تعذرت قراءة %1: الملف فارغ</translation>
    </message>
    <message>
        <source>another program changed it while it was read</source>
        <translation>غيّره برنامج آخر أثناء قراءته</translation>
    </message>
    <message>
        <source>cannot read %1: %2x%3 pixels (%4 megapixels) need %5 to edit, more than the %6 of memory available</source>
        <translation>تعذرت قراءة %1: يحتاج تحرير %2×%3 بكسل (%4 ميغابكسل) إلى %5، أكثر من %6 المتاحة في الذاكرة</translation>
    </message>
    <message>
        <source>cannot read %1: it is a vector drawing (%2), not a photo</source>
        <translation>تعذرت قراءة %1: إنه رسم متجهي (%2)، وليس صورة فوتوغرافية</translation>
    </message>
    <message>
        <source>cannot read %1: it is no picture in a format this program reads</source>
        <translation>تعذرت قراءة %1: ليس صورة بصيغة يقرؤها هذا البرنامج</translation>
    </message>
    <message>
        <source>cannot read %1: %2 files are not read as photos (%3 are)</source>
        <translation>تعذرت قراءة %1: لا تُقرأ ملفات %2 كصور فوتوغرافية (تُقرأ %3)</translation>
    </message>
    <message>
        <source>cannot read %1: the picture is damaged (%2)</source>
        <translation>تعذرت قراءة %1: الصورة تالفة (%2)</translation>
    </message>
    <message>
        <source>cannot read %1: it is an animation of %2 frames, and only a single picture can be edited</source>
        <translation>تعذرت قراءة %1: إنه رسم متحرك من %2 إطارات، ولا يمكن تحرير إلا صورة واحدة</translation>
    </message>
    <message>
        <source>cannot read %1: %2%3</source>
        <translation>تعذرت قراءة %1: %2%3</translation>
    </message>
    <message>
        <source>the picture is damaged: </source>
        <translation>الصورة تالفة: </translation>
    </message>
    <message>
        <source>the CMYK picture names no CMYK colour profile: its inks are converted to sRGB through the standard one (%1)</source>
        <translation>لا تسمّي صورة CMYK ملف تعريف ألوان CMYK: تُحوَّل أحبارها إلى sRGB عبر الملف القياسي (%1)</translation>
    </message>
    <message>
        <source>no CMYK colour profile could be read: the inks are turned into RGB by plain inversion</source>
        <translation>تعذرت قراءة ملف تعريف ألوان CMYK: تُحوَّل الأحبار إلى RGB بعكس بسيط</translation>
    </message>
    <message>
        <source>no picture is open</source>
        <translation>لا توجد صورة مفتوحة</translation>
    </message>
    <message>
        <source>the picture was handed over</source>
        <translation>سُلِّمت الصورة</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>تعذرت كتابة %1: %2</translation>
    </message>
    <message>
        <source>the grey picture keeps its grey colour profile</source>
        <translation>تحتفظ الصورة الرمادية بملف تعريف ألوانها الرمادي</translation>
    </message>
    <message>
        <source>the colour profile cannot be read: the pixels are left as they are</source>
        <translation>تعذرت قراءة ملف تعريف الألوان: تُترك البكسلات كما هي</translation>
    </message>
    <message>
        <source>cannot write %1: unsupported picture format</source>
        <translation>تعذرت كتابة %1: صيغة صورة غير مدعومة</translation>
    </message>
    <message>
        <source>cannot write %1: there is no picture</source>
        <translation>تعذرت كتابة %1: لا توجد صورة</translation>
    </message>
    <message>
        <source>cannot write %1: the picture was read reduced for turns, and an edit other than a turn was made</source>
        <translation>تعذرت كتابة %1: قُرئت الصورة مصغّرة للتدوير، وأُجري عليها تعديل غير التدوير</translation>
    </message>
    <message>
        <source>%1 holds no transparency: the alpha channel is dropped</source>
        <translation>لا يحفظ %1 الشفافية: تُحذف قناة ألفا</translation>
    </message>
    <message>
        <source>%1 holds 8 bits per channel: the 16-bit picture is written at 8 bits</source>
        <translation>يحفظ %1 ثمانية بتات لكل قناة: تُكتب الصورة ذات 16 بتًا بثمانية بتات</translation>
    </message>
    <message>
        <source>dropped the %1 colour profile: the picture is written in %2</source>
        <translation>حُذف ملف تعريف الألوان %1: تُكتب الصورة بـ %2</translation>
    </message>
    <message>
        <source>%1 written at quality %2: the source&apos;s own quality cannot be told</source>
        <translation>كُتب %1 بجودة %2: تعذرت معرفة جودة المصدر</translation>
    </message>
    <message>
        <source>the turn is encoded anew: libheif 1.15 cannot write a HEIF&apos;s rotation or mirroring without encoding its picture again</source>
        <translation>يُرمَّز التدوير من جديد: لا يستطيع libheif 1.15 كتابة تدوير HEIF أو انعكاسه دون ترميز صورته مرة أخرى</translation>
    </message>
    <message>
        <source>%1 holds the 16-bit picture at %2 bits per channel</source>
        <translation>يحفظ %1 الصورة ذات 16 بتًا بـ %2 بتات لكل قناة</translation>
    </message>
    <message>
        <source>%1 written in colour: the grey picture is stored as RGB</source>
        <translation>كُتب %1 بالألوان: تُخزَّن الصورة الرمادية بصيغة RGB</translation>
    </message>
    <message>
        <source>%1 of %2 is left out: libheif 1.15 cannot write it</source>
        <translation>يُستبعد %1 من %2: لا يستطيع libheif 1.15 كتابته</translation>
    </message>
    <message>
        <source>the metadata could not be written: %1</source>
        <translation>تعذرت كتابة البيانات الوصفية: %1</translation>
    </message>
    <message>
        <source>%1 files hold no metadata: EXIF, XMP, IPTC and the colour profile are left out</source>
        <translation>لا تحفظ ملفات %1 بيانات وصفية: تُستبعد EXIF وXMP وIPTC وملف تعريف الألوان</translation>
    </message>
</context>
<context>
    <name>SafeFile</name>
    <message>
        <source>cannot write %1: %2</source>
        <translation>تعذرت كتابة %1: %2</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>مجلد</translation>
    </message>
    <message>
        <source>a FIFO</source>
        <translation>أنبوب FIFO</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>جهاز</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>مقبس</translation>
    </message>
    <message>
        <source>no regular file</source>
        <translation>غير ملف عادي</translation>
    </message>
    <message>
        <source>cannot write a file without a name</source>
        <translation>تعذرت كتابة ملف بلا اسم</translation>
    </message>
    <message>
        <source>cannot write %1: it is %2, not a file</source>
        <translation>تعذرت كتابة %1: إنه %2، وليس ملفًا</translation>
    </message>
    <message>
        <source>cannot write %1: it is read-only</source>
        <translation>تعذرت كتابة %1: إنه للقراءة فقط</translation>
    </message>
    <message>
        <source>cannot write %1: it is a symbolic link</source>
        <translation>تعذرت كتابة %1: إنه رابط رمزي</translation>
    </message>
    <message>
        <source>cannot write %1: it is a link in a shared folder that another user owns</source>
        <translation>تعذرت كتابة %1: إنه رابط في مجلد مشترك يملكه مستخدم آخر</translation>
    </message>
    <message>
        <source>%1 lost its extended attribute %2: %3</source>
        <translation>فقد %1 سمته الموسّعة %2: %3</translation>
    </message>
</context>
<context>
    <name>SystemError</name>
    <message>
        <source>No such file or directory</source>
        <translation>لا يوجد ملف أو مجلد بهذا الاسم</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>الإذن مرفوض</translation>
    </message>
    <message>
        <source>Operation not permitted</source>
        <translation>العملية غير مسموح بها</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>لا توجد مساحة متبقية على القرص</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>تجاوزت حصة القرص</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>نظام الملفات للقراءة فقط</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>الملف كبير جدًا</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>خطأ في الإدخال/الإخراج</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>إنه مجلد</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>ليس مجلدًا</translation>
    </message>
    <message>
        <source>Cannot allocate memory</source>
        <translation>تعذر حجز الذاكرة</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>ملفات مفتوحة كثيرة جدًا</translation>
    </message>
    <message>
        <source>File name too long</source>
        <translation>اسم الملف طويل جدًا</translation>
    </message>
    <message>
        <source>Too many levels of symbolic links</source>
        <translation>مستويات كثيرة جدًا من الروابط الرمزية</translation>
    </message>
    <message>
        <source>Stale file handle</source>
        <translation>مقبض ملف لم يعد صالحًا</translation>
    </message>
    <message>
        <source>Text file busy</source>
        <translation>الملف التنفيذي مشغول</translation>
    </message>
</context>
</TS>
