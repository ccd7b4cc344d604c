#pragma once

// Run-time import of the PDF engine's C interface. The engine is never linked: its file is
// loaded by name on first use and every entry point below is looked up in it. Until then,
// and again after a failed load, each entry point is a stub that throws "<library> is not
// loaded", so a call can never land on a null pointer.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#if defined(_WIN32)
#define FPDF_CALLCONV __cdecl
#else
#define FPDF_CALLCONV
#endif

namespace quill::pdfium {

// Handles: distinct incomplete types, so that a page cannot be passed where a document
// is expected.
struct FpdfAction;
struct FpdfAnnotation;
struct FpdfAttachment;
struct FpdfAvail;
struct FpdfBitmap;
struct FpdfBookmark;
struct FpdfClipPath;
struct FpdfDest;
struct FpdfDocument;
struct FpdfFont;
struct FpdfForm;
struct FpdfJavaScriptAction;
struct FpdfLink;
struct FpdfPage;
struct FpdfPageLink;
struct FpdfPageObject;
struct FpdfPageObjectMark;
struct FpdfPageRange;
struct FpdfPathSegment;
struct FpdfSearch;
struct FpdfSignature;
struct FpdfStructElement;
struct FpdfStructElementAttr;
struct FpdfStructTree;
struct FpdfTextPage;
struct FpdfXObject;

using FPDF_ACTION = FpdfAction*;
using FPDF_ANNOTATION = FpdfAnnotation*;
using FPDF_ATTACHMENT = FpdfAttachment*;
using FPDF_AVAIL = FpdfAvail*;
using FPDF_BITMAP = FpdfBitmap*;
using FPDF_BOOKMARK = FpdfBookmark*;
using FPDF_CLIPPATH = FpdfClipPath*;
using FPDF_DEST = FpdfDest*;
using FPDF_DOCUMENT = FpdfDocument*;
using FPDF_FONT = FpdfFont*;
using FPDF_FORMHANDLE = FpdfForm*;
using FPDF_JAVASCRIPT_ACTION = FpdfJavaScriptAction*;
using FPDF_LINK = FpdfLink*;
using FPDF_PAGE = FpdfPage*;
using FPDF_PAGELINK = FpdfPageLink*;
using FPDF_PAGEOBJECT = FpdfPageObject*;
using FPDF_PAGEOBJECTMARK = FpdfPageObjectMark*;
using FPDF_PAGERANGE = FpdfPageRange*;
using FPDF_PATHSEGMENT = FpdfPathSegment*;
using FPDF_SCHHANDLE = FpdfSearch*;
using FPDF_SIGNATURE = FpdfSignature*;
using FPDF_STRUCTELEMENT = FpdfStructElement*;
using FPDF_STRUCTELEMENT_ATTR = FpdfStructElementAttr*;
using FPDF_STRUCTTREE = FpdfStructTree*;
using FPDF_TEXTPAGE = FpdfTextPage*;
using FPDF_XOBJECT = FpdfXObject*;

using FPDF_BOOL = int;
using FPDF_DWORD = unsigned long;
using FPDF_WCHAR = unsigned short;
using FPDF_BYTESTRING = const char*;
using FPDF_STRING = const char*;
using FPDF_WIDESTRING = const unsigned short*;
using FS_FLOAT = float;
using FPDF_ANNOTATION_SUBTYPE = int;
using FPDF_OBJECT_TYPE = int;
using FPDFANNOT_COLORTYPE = int;  // a C enum
using FPDF_DUPLEXTYPE = int;      // a C enum
using FPDF_FILEIDTYPE = int;      // a C enum

struct FS_MATRIX {
    float a, b, c, d, e, f;
};
struct FS_RECTF {
    float left, top, right, bottom;
};
struct FS_SIZEF {
    float width, height;
};
struct FS_POINTF {
    float x, y;
};
struct FS_QUADPOINTSF {
    FS_FLOAT x1, y1, x2, y2, x3, y3, x4, y4;
};

// Records that only travel by pointer through entry points this program never calls.
struct FPDF_LIBRARY_CONFIG;
struct FPDF_SYSFONTINFO;
struct FPDF_CharsetFontMap;
struct FPDF_COLORSCHEME;
struct IFSDK_PAUSE;
struct FX_FILEAVAIL;
struct FX_DOWNLOADHINTS;
struct IPDF_JSPLATFORM;

// Custom file access: the engine pulls blocks of the file through m_GetBlock.
struct FPDF_FILEACCESS {
    unsigned long m_FileLen;
    int (*m_GetBlock)(void* param, unsigned long position, unsigned char* pBuf, unsigned long size);
    void* m_Param;
};

// The sink of a save: WriteBlock returns non-zero when the whole block was taken.
struct FPDF_FILEWRITE {
    int version;
    int (*WriteBlock)(FPDF_FILEWRITE* pThis, const void* pData, unsigned long size);
};

// Receives notice of document features the engine does not support.
struct UNSUPPORT_INFO {
    int version;
    void (*FSDK_UnSupport_Handler)(UNSUPPORT_INFO* pThis, int nType);
};

struct FPDF_SYSTEMTIME {
    unsigned short wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

using TimerCallback = void (*)(int idEvent);

// The form-fill environment's callbacks, version 1 (the engine reads no further fields).
struct FPDF_FORMFILLINFO {
    int version;
    void (*Release)(FPDF_FORMFILLINFO* pThis);
    void (*FFI_Invalidate)(FPDF_FORMFILLINFO* pThis, FPDF_PAGE page, double left, double top,
                           double right, double bottom);
    void (*FFI_OutputSelectedRect)(FPDF_FORMFILLINFO* pThis, FPDF_PAGE page, double left,
                                   double top, double right, double bottom);
    void (*FFI_SetCursor)(FPDF_FORMFILLINFO* pThis, int nCursorType);
    int (*FFI_SetTimer)(FPDF_FORMFILLINFO* pThis, int uElapse, TimerCallback lpTimerFunc);
    void (*FFI_KillTimer)(FPDF_FORMFILLINFO* pThis, int nTimerID);
    FPDF_SYSTEMTIME (*FFI_GetLocalTime)(FPDF_FORMFILLINFO* pThis);
    void (*FFI_OnChange)(FPDF_FORMFILLINFO* pThis);
    FPDF_PAGE (*FFI_GetPage)(FPDF_FORMFILLINFO* pThis, FPDF_DOCUMENT document, int nPageIndex);
    FPDF_PAGE (*FFI_GetCurrentPage)(FPDF_FORMFILLINFO* pThis, FPDF_DOCUMENT document);
    int (*FFI_GetRotation)(FPDF_FORMFILLINFO* pThis, FPDF_PAGE page);
    void (*FFI_ExecuteNamedAction)(FPDF_FORMFILLINFO* pThis, FPDF_BYTESTRING namedAction);
    void (*FFI_SetTextFieldFocus)(FPDF_FORMFILLINFO* pThis, FPDF_WIDESTRING value,
                                  FPDF_DWORD valueLen, FPDF_BOOL is_focus);
    void (*FFI_DoURIAction)(FPDF_FORMFILLINFO* pThis, FPDF_BYTESTRING bsURI);
    void (*FFI_DoGoToAction)(FPDF_FORMFILLINFO* pThis, int nPageIndex, int zoomMode,
                             float* fPosArray, int sizeofArray);
    IPDF_JSPLATFORM* m_pJsPlatform;
};

// Engine values the document layer uses.
constexpr unsigned long FPDF_ERR_SUCCESS = 0;
constexpr unsigned long FPDF_ERR_UNKNOWN = 1;
constexpr unsigned long FPDF_ERR_FILE = 2;
constexpr unsigned long FPDF_ERR_FORMAT = 3;
constexpr unsigned long FPDF_ERR_PASSWORD = 4;
constexpr unsigned long FPDF_ERR_SECURITY = 5;
constexpr unsigned long FPDF_ERR_PAGE = 6;
constexpr int FPDFDOC_AACTION_WC = 0x10;  // the document's will-close action

}  // namespace quill::pdfium

#include "pdfium/PdfiumEntryPoints.h"

namespace quill::pdfium {

// One pointer type and one pointer per entry point, named as the library exports it.
#define QUILL_PDFIUM_DECLARE(name, result, params)  \
    using name##_t = result(FPDF_CALLCONV*) params; \
    extern name##_t name;
QUILL_PDFIUM_ENTRY_POINTS(QUILL_PDFIUM_DECLARE)
#undef QUILL_PDFIUM_DECLARE

// Loads the library and binds every entry point, then initialises the engine. Does nothing
// when it is loaded already. A library that cannot be loaded gives EOSError; one that lacks
// an entry point gives `Symbol "<name>" was not found in <library>`, and leaves nothing of
// the attempt behind, so a later call starts afresh. Callers serialise loading and
// unloading; TPdfDocument does so under its engine lock.
void LoadPdfium();

// Shuts the engine down and unloads the library; every entry point is a stub again. No
// document may be open. Runs by itself at program end.
void UnloadPdfium();

bool PdfiumLoaded();

// The library file to load: the platform's name for "pdfium" unless set otherwise. Takes
// effect at the next load.
void SetPdfiumLibraryName(const std::string& fileName);

}  // namespace quill::pdfium
