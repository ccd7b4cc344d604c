#pragma once

// The engine's public C interface as the import table sees it: one row per exported
// function, in a fixed order, X(name, result type, (parameters)). Every row is required:
// a library that lacks one is not used at all. Included by PdfiumLib.h, which declares
// the types named here.

// clang-format off
#define QUILL_PDFIUM_ENTRY_POINTS(X) \
    /* Library, documents, pages, rendering, bitmaps, viewer preferences */ \
    X(FPDF_InitLibrary, void, ()) \
    X(FPDF_InitLibraryWithConfig, void, (const FPDF_LIBRARY_CONFIG* config)) \
    X(FPDF_DestroyLibrary, void, ()) \
    X(FPDF_SetSandBoxPolicy, void, (FPDF_DWORD policy, FPDF_BOOL enable)) \
    X(FPDF_LoadDocument, FPDF_DOCUMENT, (FPDF_STRING file_path, FPDF_BYTESTRING password)) \
    X(FPDF_LoadMemDocument, FPDF_DOCUMENT, (const void* data_buf, int size, FPDF_BYTESTRING password)) \
    X(FPDF_LoadMemDocument64, FPDF_DOCUMENT, (const void* data_buf, size_t size, FPDF_BYTESTRING password)) \
    X(FPDF_LoadCustomDocument, FPDF_DOCUMENT, (FPDF_FILEACCESS* pFileAccess, FPDF_BYTESTRING password)) \
    X(FPDF_GetFileVersion, FPDF_BOOL, (FPDF_DOCUMENT doc, int* fileVersion)) \
    X(FPDF_GetLastError, unsigned long, ()) \
    X(FPDF_DocumentHasValidCrossReferenceTable, FPDF_BOOL, (FPDF_DOCUMENT document)) \
    X(FPDF_GetTrailerEnds, unsigned long, (FPDF_DOCUMENT document, unsigned int* buffer, unsigned long length)) \
    X(FPDF_GetDocPermissions, unsigned long, (FPDF_DOCUMENT document)) \
    X(FPDF_GetDocUserPermissions, unsigned long, (FPDF_DOCUMENT document)) \
    X(FPDF_GetSecurityHandlerRevision, int, (FPDF_DOCUMENT document)) \
    X(FPDF_GetPageCount, int, (FPDF_DOCUMENT document)) \
    X(FPDF_LoadPage, FPDF_PAGE, (FPDF_DOCUMENT document, int page_index)) \
    X(FPDF_GetPageWidthF, float, (FPDF_PAGE page)) \
    X(FPDF_GetPageWidth, double, (FPDF_PAGE page)) \
    X(FPDF_GetPageHeightF, float, (FPDF_PAGE page)) \
    X(FPDF_GetPageHeight, double, (FPDF_PAGE page)) \
    X(FPDF_GetPageBoundingBox, FPDF_BOOL, (FPDF_PAGE page, FS_RECTF* rect)) \
    X(FPDF_GetPageSizeByIndexF, FPDF_BOOL, (FPDF_DOCUMENT document, int page_index, FS_SIZEF* size)) \
    X(FPDF_GetPageSizeByIndex, int, (FPDF_DOCUMENT document, int page_index, double* width, double* height)) \
    X(FPDF_RenderPageBitmap, void, (FPDF_BITMAP bitmap, FPDF_PAGE page, int start_x, int start_y, int size_x, int size_y, int rotate, int flags)) \
    X(FPDF_RenderPageBitmapWithMatrix, void, (FPDF_BITMAP bitmap, FPDF_PAGE page, const FS_MATRIX* matrix, const FS_RECTF* clipping, int flags)) \
    X(FPDF_ClosePage, void, (FPDF_PAGE page)) \
    X(FPDF_CloseDocument, void, (FPDF_DOCUMENT document)) \
    X(FPDF_DeviceToPage, FPDF_BOOL, (FPDF_PAGE page, int start_x, int start_y, int size_x, int size_y, int rotate, int device_x, int device_y, double* page_x, double* page_y)) \
    X(FPDF_PageToDevice, FPDF_BOOL, (FPDF_PAGE page, int start_x, int start_y, int size_x, int size_y, int rotate, double page_x, double page_y, int* device_x, int* device_y)) \
    X(FPDFBitmap_Create, FPDF_BITMAP, (int width, int height, int alpha)) \
    X(FPDFBitmap_CreateEx, FPDF_BITMAP, (int width, int height, int format, void* first_scan, int stride)) \
    X(FPDFBitmap_GetFormat, int, (FPDF_BITMAP bitmap)) \
    X(FPDFBitmap_FillRect, FPDF_BOOL, (FPDF_BITMAP bitmap, int left, int top, int width, int height, FPDF_DWORD color)) \
    X(FPDFBitmap_GetBuffer, void*, (FPDF_BITMAP bitmap)) \
    X(FPDFBitmap_GetWidth, int, (FPDF_BITMAP bitmap)) \
    X(FPDFBitmap_GetHeight, int, (FPDF_BITMAP bitmap)) \
    X(FPDFBitmap_GetStride, int, (FPDF_BITMAP bitmap)) \
    X(FPDFBitmap_Destroy, void, (FPDF_BITMAP bitmap)) \
    X(FPDF_VIEWERREF_GetPrintScaling, FPDF_BOOL, (FPDF_DOCUMENT document)) \
    X(FPDF_VIEWERREF_GetNumCopies, int, (FPDF_DOCUMENT document)) \
    X(FPDF_VIEWERREF_GetPrintPageRange, FPDF_PAGERANGE, (FPDF_DOCUMENT document)) \
    X(FPDF_VIEWERREF_GetPrintPageRangeCount, size_t, (FPDF_PAGERANGE pagerange)) \
    X(FPDF_VIEWERREF_GetPrintPageRangeElement, int, (FPDF_PAGERANGE pagerange, size_t index)) \
    X(FPDF_VIEWERREF_GetDuplex, FPDF_DUPLEXTYPE, (FPDF_DOCUMENT document)) \
    X(FPDF_VIEWERREF_GetName, unsigned long, (FPDF_DOCUMENT document, FPDF_BYTESTRING key, char* buffer, unsigned long length)) \
    X(FPDF_CountNamedDests, FPDF_DWORD, (FPDF_DOCUMENT document)) \
    X(FPDF_GetNamedDestByName, FPDF_DEST, (FPDF_DOCUMENT document, FPDF_BYTESTRING name)) \
    X(FPDF_GetNamedDest, FPDF_DEST, (FPDF_DOCUMENT document, int index, void* buffer, long* buflen)) \
    X(FPDF_GetXFAPacketCount, int, (FPDF_DOCUMENT document)) \
    X(FPDF_GetXFAPacketName, unsigned long, (FPDF_DOCUMENT document, int index, void* buffer, unsigned long buflen)) \
    X(FPDF_GetXFAPacketContent, FPDF_BOOL, (FPDF_DOCUMENT document, int index, void* buffer, unsigned long buflen, unsigned long* out_buflen)) \
    /* Saving and copying pages between documents */ \
    X(FPDF_SaveAsCopy, FPDF_BOOL, (FPDF_DOCUMENT document, FPDF_FILEWRITE* pFileWrite, FPDF_DWORD flags)) \
    X(FPDF_SaveWithVersion, FPDF_BOOL, (FPDF_DOCUMENT document, FPDF_FILEWRITE* pFileWrite, FPDF_DWORD flags, int fileVersion)) \
    X(FPDF_ImportPagesByIndex, FPDF_BOOL, (FPDF_DOCUMENT dest_doc, FPDF_DOCUMENT src_doc, const int* page_indices, unsigned long length, int index)) \
    X(FPDF_ImportPages, FPDF_BOOL, (FPDF_DOCUMENT dest_doc, FPDF_DOCUMENT src_doc, FPDF_BYTESTRING pagerange, int index)) \
    X(FPDF_ImportNPagesToOne, FPDF_DOCUMENT, (FPDF_DOCUMENT src_doc, float output_width, float output_height, size_t num_pages_on_x_axis, size_t num_pages_on_y_axis)) \
    X(FPDF_NewXObjectFromPage, FPDF_XOBJECT, (FPDF_DOCUMENT dest_doc, FPDF_DOCUMENT src_doc, int src_page_index)) \
    X(FPDF_CloseXObject, void, (FPDF_XOBJECT xobject)) \
    X(FPDF_NewFormObjectFromXObject, FPDF_PAGEOBJECT, (FPDF_XOBJECT xobject)) \
    X(FPDF_CopyViewerPreferences, FPDF_BOOL, (FPDF_DOCUMENT dest_doc, FPDF_DOCUMENT src_doc)) \
    /* Text and search */ \
    X(FPDFText_LoadPage, FPDF_TEXTPAGE, (FPDF_PAGE page)) \
    X(FPDFText_ClosePage, void, (FPDF_TEXTPAGE text_page)) \
    X(FPDFText_CountChars, int, (FPDF_TEXTPAGE text_page)) \
    X(FPDFText_GetUnicode, unsigned int, (FPDF_TEXTPAGE text_page, int index)) \
    X(FPDFText_IsGenerated, int, (FPDF_TEXTPAGE text_page, int index)) \
    X(FPDFText_IsHyphen, int, (FPDF_TEXTPAGE text_page, int index)) \
    X(FPDFText_HasUnicodeMapError, int, (FPDF_TEXTPAGE text_page, int index)) \
    X(FPDFText_GetFontSize, double, (FPDF_TEXTPAGE text_page, int index)) \
    X(FPDFText_GetFontInfo, unsigned long, (FPDF_TEXTPAGE text_page, int index, void* buffer, unsigned long buflen, int* flags)) \
    X(FPDFText_GetFontWeight, int, (FPDF_TEXTPAGE text_page, int index)) \
    X(FPDFText_GetFillColor, FPDF_BOOL, (FPDF_TEXTPAGE text_page, int index, unsigned int* R, unsigned int* G, unsigned int* B, unsigned int* A)) \
    X(FPDFText_GetStrokeColor, FPDF_BOOL, (FPDF_TEXTPAGE text_page, int index, unsigned int* R, unsigned int* G, unsigned int* B, unsigned int* A)) \
    X(FPDFText_GetCharAngle, float, (FPDF_TEXTPAGE text_page, int index)) \
    X(FPDFText_GetCharBox, FPDF_BOOL, (FPDF_TEXTPAGE text_page, int index, double* left, double* right, double* bottom, double* top)) \
    X(FPDFText_GetLooseCharBox, FPDF_BOOL, (FPDF_TEXTPAGE text_page, int index, FS_RECTF* rect)) \
    X(FPDFText_GetMatrix, FPDF_BOOL, (FPDF_TEXTPAGE text_page, int index, FS_MATRIX* matrix)) \
    X(FPDFText_GetCharOrigin, FPDF_BOOL, (FPDF_TEXTPAGE text_page, int index, double* x, double* y)) \
    X(FPDFText_GetCharIndexAtPos, int, (FPDF_TEXTPAGE text_page, double x, double y, double xTolerance, double yTolerance)) \
    X(FPDFText_GetText, int, (FPDF_TEXTPAGE text_page, int start_index, int count, unsigned short* result)) \
    X(FPDFText_CountRects, int, (FPDF_TEXTPAGE text_page, int start_index, int count)) \
    X(FPDFText_GetRect, FPDF_BOOL, (FPDF_TEXTPAGE text_page, int rect_index, double* left, double* top, double* right, double* bottom)) \
    X(FPDFText_GetBoundedText, int, (FPDF_TEXTPAGE text_page, double left, double top, double right, double bottom, unsigned short* buffer, int buflen)) \
    X(FPDFText_FindStart, FPDF_SCHHANDLE, (FPDF_TEXTPAGE text_page, FPDF_WIDESTRING findwhat, unsigned long flags, int start_index)) \
    X(FPDFText_FindNext, FPDF_BOOL, (FPDF_SCHHANDLE handle)) \
    X(FPDFText_FindPrev, FPDF_BOOL, (FPDF_SCHHANDLE handle)) \
    X(FPDFText_GetSchResultIndex, int, (FPDF_SCHHANDLE handle)) \
    X(FPDFText_GetSchCount, int, (FPDF_SCHHANDLE handle)) \
    X(FPDFText_FindClose, void, (FPDF_SCHHANDLE handle)) \
    X(FPDFText_GetTextObject, FPDF_PAGEOBJECT, (FPDF_TEXTPAGE text_page, int index)) \
    X(FPDFText_GetCharIndexFromTextIndex, int, (FPDF_TEXTPAGE text_page, int nTextIndex)) \
    X(FPDFText_GetTextIndexFromCharIndex, int, (FPDF_TEXTPAGE text_page, int nCharIndex)) \
    /* Links found in the text */ \
    X(FPDFLink_LoadWebLinks, FPDF_PAGELINK, (FPDF_TEXTPAGE text_page)) \
    X(FPDFLink_CountWebLinks, int, (FPDF_PAGELINK link_page)) \
    X(FPDFLink_GetURL, int, (FPDF_PAGELINK link_page, int link_index, unsigned short* buffer, int buflen)) \
    X(FPDFLink_CountRects, int, (FPDF_PAGELINK link_page, int link_index)) \
    X(FPDFLink_GetRect, FPDF_BOOL, (FPDF_PAGELINK link_page, int link_index, int rect_index, double* left, double* top, double* right, double* bottom)) \
    X(FPDFLink_GetTextRange, FPDF_BOOL, (FPDF_PAGELINK link_page, int link_index, int* start_char_index, int* char_count)) \
    X(FPDFLink_CloseWebLinks, void, (FPDF_PAGELINK link_page)) \
    /* Bookmarks, actions, destinations, link annotations, document information */ \
    X(FPDFBookmark_GetFirstChild, FPDF_BOOKMARK, (FPDF_DOCUMENT document, FPDF_BOOKMARK bookmark)) \
    X(FPDFBookmark_GetNextSibling, FPDF_BOOKMARK, (FPDF_DOCUMENT document, FPDF_BOOKMARK bookmark)) \
    X(FPDFBookmark_GetTitle, unsigned long, (FPDF_BOOKMARK bookmark, void* buffer, unsigned long buflen)) \
    X(FPDFBookmark_GetCount, int, (FPDF_BOOKMARK bookmark)) \
    X(FPDFBookmark_Find, FPDF_BOOKMARK, (FPDF_DOCUMENT document, FPDF_WIDESTRING title)) \
    X(FPDFBookmark_GetDest, FPDF_DEST, (FPDF_DOCUMENT document, FPDF_BOOKMARK bookmark)) \
    X(FPDFBookmark_GetAction, FPDF_ACTION, (FPDF_BOOKMARK bookmark)) \
    X(FPDFAction_GetType, unsigned long, (FPDF_ACTION action)) \
    X(FPDFAction_GetDest, FPDF_DEST, (FPDF_DOCUMENT document, FPDF_ACTION action)) \
    X(FPDFAction_GetFilePath, unsigned long, (FPDF_ACTION action, void* buffer, unsigned long buflen)) \
    X(FPDFAction_GetURIPath, unsigned long, (FPDF_DOCUMENT document, FPDF_ACTION action, void* buffer, unsigned long buflen)) \
    X(FPDFDest_GetDestPageIndex, int, (FPDF_DOCUMENT document, FPDF_DEST dest)) \
    X(FPDFDest_GetView, unsigned long, (FPDF_DEST dest, unsigned long* pNumParams, FS_FLOAT* pParams)) \
    X(FPDFDest_GetLocationInPage, FPDF_BOOL, (FPDF_DEST dest, FPDF_BOOL* hasXVal, FPDF_BOOL* hasYVal, FPDF_BOOL* hasZoomVal, FS_FLOAT* x, FS_FLOAT* y, FS_FLOAT* zoom)) \
    X(FPDFLink_GetLinkAtPoint, FPDF_LINK, (FPDF_PAGE page, double x, double y)) \
    X(FPDFLink_GetLinkZOrderAtPoint, int, (FPDF_PAGE page, double x, double y)) \
    X(FPDFLink_GetDest, FPDF_DEST, (FPDF_DOCUMENT document, FPDF_LINK link)) \
    X(FPDFLink_GetAction, FPDF_ACTION, (FPDF_LINK link)) \
    X(FPDFLink_Enumerate, FPDF_BOOL, (FPDF_PAGE page, int* start_pos, FPDF_LINK* link_annot)) \
    X(FPDFLink_GetAnnot, FPDF_ANNOTATION, (FPDF_PAGE page, FPDF_LINK link_annot)) \
    X(FPDFLink_GetAnnotRect, FPDF_BOOL, (FPDF_LINK link_annot, FS_RECTF* rect)) \
    X(FPDFLink_CountQuadPoints, int, (FPDF_LINK link_annot)) \
    X(FPDFLink_GetQuadPoints, FPDF_BOOL, (FPDF_LINK link_annot, int quad_index, FS_QUADPOINTSF* quad_points)) \
    X(FPDF_GetPageAAction, FPDF_ACTION, (FPDF_PAGE page, int aa_type)) \
    X(FPDF_GetFileIdentifier, unsigned long, (FPDF_DOCUMENT document, FPDF_FILEIDTYPE id_type, void* buffer, unsigned long buflen)) \
    X(FPDF_GetMetaText, unsigned long, (FPDF_DOCUMENT document, FPDF_BYTESTRING tag, void* buffer, unsigned long buflen)) \
    X(FPDF_GetPageLabel, unsigned long, (FPDF_DOCUMENT document, int page_index, void* buffer, unsigned long buflen)) \
    /* Form filling */ \
    X(FPDFDOC_InitFormFillEnvironment, FPDF_FORMHANDLE, (FPDF_DOCUMENT document, FPDF_FORMFILLINFO* formInfo)) \
    X(FPDFDOC_ExitFormFillEnvironment, void, (FPDF_FORMHANDLE hHandle)) \
    X(FORM_OnAfterLoadPage, void, (FPDF_PAGE page, FPDF_FORMHANDLE hHandle)) \
    X(FORM_OnBeforeClosePage, void, (FPDF_PAGE page, FPDF_FORMHANDLE hHandle)) \
    X(FORM_DoDocumentJSAction, void, (FPDF_FORMHANDLE hHandle)) \
    X(FORM_DoDocumentOpenAction, void, (FPDF_FORMHANDLE hHandle)) \
    X(FORM_DoDocumentAAction, void, (FPDF_FORMHANDLE hHandle, int aaType)) \
    X(FORM_DoPageAAction, void, (FPDF_PAGE page, FPDF_FORMHANDLE hHandle, int aaType)) \
    X(FORM_OnMouseMove, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int modifier, double page_x, double page_y)) \
    X(FORM_OnMouseWheel, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int modifier, const FS_POINTF* page_coord, int delta_x, int delta_y)) \
    X(FORM_OnFocus, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int modifier, double page_x, double page_y)) \
    X(FORM_OnLButtonDown, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int modifier, double page_x, double page_y)) \
    X(FORM_OnRButtonDown, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int modifier, double page_x, double page_y)) \
    X(FORM_OnLButtonUp, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int modifier, double page_x, double page_y)) \
    X(FORM_OnRButtonUp, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int modifier, double page_x, double page_y)) \
    X(FORM_OnLButtonDoubleClick, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int modifier, double page_x, double page_y)) \
    X(FORM_OnKeyDown, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int nKeyCode, int modifier)) \
    X(FORM_OnKeyUp, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int nKeyCode, int modifier)) \
    X(FORM_OnChar, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int nChar, int modifier)) \
    X(FORM_GetFocusedText, unsigned long, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, void* buffer, unsigned long buflen)) \
    X(FORM_GetSelectedText, unsigned long, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, void* buffer, unsigned long buflen)) \
    X(FORM_ReplaceAndKeepSelection, void, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, FPDF_WIDESTRING wsText)) \
    X(FORM_ReplaceSelection, void, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, FPDF_WIDESTRING wsText)) \
    X(FORM_SelectAllText, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page)) \
    X(FORM_CanUndo, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page)) \
    X(FORM_CanRedo, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page)) \
    X(FORM_Undo, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page)) \
    X(FORM_Redo, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page)) \
    X(FORM_ForceToKillFocus, FPDF_BOOL, (FPDF_FORMHANDLE hHandle)) \
    X(FORM_GetFocusedAnnot, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, int* page_index, FPDF_ANNOTATION* annot)) \
    X(FORM_SetFocusedAnnot, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_ANNOTATION annot)) \
    X(FPDFPage_HasFormFieldAtPoint, int, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, double page_x, double page_y)) \
    X(FPDFPage_FormFieldZOrderAtPoint, int, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, double page_x, double page_y)) \
    X(FPDF_SetFormFieldHighlightColor, void, (FPDF_FORMHANDLE hHandle, int fieldType, unsigned long color)) \
    X(FPDF_SetFormFieldHighlightAlpha, void, (FPDF_FORMHANDLE hHandle, unsigned char alpha)) \
    X(FPDF_RemoveFormFieldHighlight, void, (FPDF_FORMHANDLE hHandle)) \
    X(FPDF_FFLDraw, void, (FPDF_FORMHANDLE hHandle, FPDF_BITMAP bitmap, FPDF_PAGE page, int start_x, int start_y, int size_x, int size_y, int rotate, int flags)) \
    X(FPDF_GetFormType, int, (FPDF_DOCUMENT document)) \
    X(FORM_SetIndexSelected, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int index, FPDF_BOOL selected)) \
    X(FORM_IsIndexSelected, FPDF_BOOL, (FPDF_FORMHANDLE hHandle, FPDF_PAGE page, int index)) \
    X(FPDF_LoadXFA, FPDF_BOOL, (FPDF_DOCUMENT document)) \
    /* Progressive loading and rendering */ \
    X(FPDFAvail_Create, FPDF_AVAIL, (FX_FILEAVAIL* file_avail, FPDF_FILEACCESS* file)) \
    X(FPDFAvail_Destroy, void, (FPDF_AVAIL avail)) \
    X(FPDFAvail_IsDocAvail, int, (FPDF_AVAIL avail, FX_DOWNLOADHINTS* hints)) \
    X(FPDFAvail_GetDocument, FPDF_DOCUMENT, (FPDF_AVAIL avail, FPDF_BYTESTRING password)) \
    X(FPDFAvail_GetFirstPageNum, int, (FPDF_DOCUMENT doc)) \
    X(FPDFAvail_IsPageAvail, int, (FPDF_AVAIL avail, int page_index, FX_DOWNLOADHINTS* hints)) \
    X(FPDFAvail_IsFormAvail, int, (FPDF_AVAIL avail, FX_DOWNLOADHINTS* hints)) \
    X(FPDFAvail_IsLinearized, int, (FPDF_AVAIL avail)) \
    X(FPDF_RenderPageBitmapWithColorScheme_Start, int, (FPDF_BITMAP bitmap, FPDF_PAGE page, int start_x, int start_y, int size_x, int size_y, int rotate, int flags, const FPDF_COLORSCHEME* color_scheme, IFSDK_PAUSE* pause)) \
    X(FPDF_RenderPageBitmap_Start, int, (FPDF_BITMAP bitmap, FPDF_PAGE page, int start_x, int start_y, int size_x, int size_y, int rotate, int flags, IFSDK_PAUSE* pause)) \
    X(FPDF_RenderPage_Continue, int, (FPDF_PAGE page, IFSDK_PAUSE* pause)) \
    X(FPDF_RenderPage_Close, void, (FPDF_PAGE page)) \
    /* Extensions, flattening, page boxes and clipping */ \
    X(FSDK_SetUnSpObjProcessHandler, FPDF_BOOL, (UNSUPPORT_INFO* unsp_info)) \
    X(FSDK_SetTimeFunction, void, (time_t (*func)())) \
    X(FSDK_SetLocaltimeFunction, void, (struct tm* (*func)(const time_t*))) \
    X(FPDFDoc_GetPageMode, int, (FPDF_DOCUMENT document)) \
    X(FPDFPage_Flatten, int, (FPDF_PAGE page, int nFlag)) \
    X(FPDFPage_SetMediaBox, void, (FPDF_PAGE page, float left, float bottom, float right, float top)) \
    X(FPDFPage_SetCropBox, void, (FPDF_PAGE page, float left, float bottom, float right, float top)) \
    X(FPDFPage_SetBleedBox, void, (FPDF_PAGE page, float left, float bottom, float right, float top)) \
    X(FPDFPage_SetTrimBox, void, (FPDF_PAGE page, float left, float bottom, float right, float top)) \
    X(FPDFPage_SetArtBox, void, (FPDF_PAGE page, float left, float bottom, float right, float top)) \
    X(FPDFPage_GetMediaBox, FPDF_BOOL, (FPDF_PAGE page, float* left, float* bottom, float* right, float* top)) \
    X(FPDFPage_GetCropBox, FPDF_BOOL, (FPDF_PAGE page, float* left, float* bottom, float* right, float* top)) \
    X(FPDFPage_GetBleedBox, FPDF_BOOL, (FPDF_PAGE page, float* left, float* bottom, float* right, float* top)) \
    X(FPDFPage_GetTrimBox, FPDF_BOOL, (FPDF_PAGE page, float* left, float* bottom, float* right, float* top)) \
    X(FPDFPage_GetArtBox, FPDF_BOOL, (FPDF_PAGE page, float* left, float* bottom, float* right, float* top)) \
    X(FPDFPage_TransFormWithClip, FPDF_BOOL, (FPDF_PAGE page, const FS_MATRIX* matrix, const FS_RECTF* clipRect)) \
    X(FPDFPageObj_TransformClipPath, void, (FPDF_PAGEOBJECT page_object, double a, double b, double c, double d, double e, double f)) \
    X(FPDFPageObj_GetClipPath, FPDF_CLIPPATH, (FPDF_PAGEOBJECT page_object)) \
    X(FPDFClipPath_CountPaths, int, (FPDF_CLIPPATH clip_path)) \
    X(FPDFClipPath_CountPathSegments, int, (FPDF_CLIPPATH clip_path, int path_index)) \
    X(FPDFClipPath_GetPathSegment, FPDF_PATHSEGMENT, (FPDF_CLIPPATH clip_path, int path_index, int segment_index)) \
    X(FPDF_CreateClipPath, FPDF_CLIPPATH, (float left, float bottom, float right, float top)) \
    X(FPDF_DestroyClipPath, void, (FPDF_CLIPPATH clipPath)) \
    X(FPDFPage_InsertClipPath, void, (FPDF_PAGE page, FPDF_CLIPPATH clipPath)) \
    /* Attachments */ \
    X(FPDFDoc_GetAttachmentCount, int, (FPDF_DOCUMENT document)) \
    X(FPDFDoc_AddAttachment, FPDF_ATTACHMENT, (FPDF_DOCUMENT document, FPDF_WIDESTRING name)) \
    X(FPDFDoc_GetAttachment, FPDF_ATTACHMENT, (FPDF_DOCUMENT document, int index)) \
    X(FPDFDoc_DeleteAttachment, FPDF_BOOL, (FPDF_DOCUMENT document, int index)) \
    X(FPDFAttachment_GetName, unsigned long, (FPDF_ATTACHMENT attachment, FPDF_WCHAR* buffer, unsigned long buflen)) \
    X(FPDFAttachment_HasKey, FPDF_BOOL, (FPDF_ATTACHMENT attachment, FPDF_BYTESTRING key)) \
    X(FPDFAttachment_GetValueType, FPDF_OBJECT_TYPE, (FPDF_ATTACHMENT attachment, FPDF_BYTESTRING key)) \
    X(FPDFAttachment_SetStringValue, FPDF_BOOL, (FPDF_ATTACHMENT attachment, FPDF_BYTESTRING key, FPDF_WIDESTRING value)) \
    X(FPDFAttachment_GetStringValue, unsigned long, (FPDF_ATTACHMENT attachment, FPDF_BYTESTRING key, FPDF_WCHAR* buffer, unsigned long buflen)) \
    X(FPDFAttachment_SetFile, FPDF_BOOL, (FPDF_ATTACHMENT attachment, FPDF_DOCUMENT document, const void* contents, unsigned long len)) \
    X(FPDFAttachment_GetFile, FPDF_BOOL, (FPDF_ATTACHMENT attachment, void* buffer, unsigned long buflen, unsigned long* out_buflen)) \
    /* Structure tree */ \
    X(FPDF_StructTree_GetForPage, FPDF_STRUCTTREE, (FPDF_PAGE page)) \
    X(FPDF_StructTree_Close, void, (FPDF_STRUCTTREE struct_tree)) \
    X(FPDF_StructTree_CountChildren, int, (FPDF_STRUCTTREE struct_tree)) \
    X(FPDF_StructTree_GetChildAtIndex, FPDF_STRUCTELEMENT, (FPDF_STRUCTTREE struct_tree, int index)) \
    X(FPDF_StructElement_GetAltText, unsigned long, (FPDF_STRUCTELEMENT struct_element, void* buffer, unsigned long buflen)) \
    X(FPDF_StructElement_GetActualText, unsigned long, (FPDF_STRUCTELEMENT struct_element, void* buffer, unsigned long buflen)) \
    X(FPDF_StructElement_GetID, unsigned long, (FPDF_STRUCTELEMENT struct_element, void* buffer, unsigned long buflen)) \
    X(FPDF_StructElement_GetLang, unsigned long, (FPDF_STRUCTELEMENT struct_element, void* buffer, unsigned long buflen)) \
    X(FPDF_StructElement_GetStringAttribute, unsigned long, (FPDF_STRUCTELEMENT struct_element, FPDF_BYTESTRING attr_name, void* buffer, unsigned long buflen)) \
    X(FPDF_StructElement_GetMarkedContentID, int, (FPDF_STRUCTELEMENT struct_element)) \
    X(FPDF_StructElement_GetType, unsigned long, (FPDF_STRUCTELEMENT struct_element, void* buffer, unsigned long buflen)) \
    X(FPDF_StructElement_GetObjType, unsigned long, (FPDF_STRUCTELEMENT struct_element, void* buffer, unsigned long buflen)) \
    X(FPDF_StructElement_GetTitle, unsigned long, (FPDF_STRUCTELEMENT struct_element, void* buffer, unsigned long buflen)) \
    X(FPDF_StructElement_CountChildren, int, (FPDF_STRUCTELEMENT struct_element)) \
    X(FPDF_StructElement_GetChildAtIndex, FPDF_STRUCTELEMENT, (FPDF_STRUCTELEMENT struct_element, int index)) \
    X(FPDF_StructElement_GetChildMarkedContentID, int, (FPDF_STRUCTELEMENT struct_element, int index)) \
    X(FPDF_StructElement_GetParent, FPDF_STRUCTELEMENT, (FPDF_STRUCTELEMENT struct_element)) \
    X(FPDF_StructElement_GetAttributeCount, int, (FPDF_STRUCTELEMENT struct_element)) \
    X(FPDF_StructElement_GetAttributeAtIndex, FPDF_STRUCTELEMENT_ATTR, (FPDF_STRUCTELEMENT struct_element, int index)) \
    X(FPDF_StructElement_GetMarkedContentIdCount, int, (FPDF_STRUCTELEMENT struct_element)) \
    X(FPDF_StructElement_GetMarkedContentIdAtIndex, int, (FPDF_STRUCTELEMENT struct_element, int index)) \
    /* System fonts */ \
    X(FPDF_GetDefaultTTFMap, const FPDF_CharsetFontMap*, ()) \
    X(FPDF_GetDefaultTTFMapCount, size_t, ()) \
    X(FPDF_GetDefaultTTFMapEntry, const FPDF_CharsetFontMap*, (size_t index)) \
    X(FPDF_AddInstalledFont, void, (void* mapper, const char* face, int charset)) \
    X(FPDF_SetSystemFontInfo, void, (FPDF_SYSFONTINFO* pFontInfo)) \
    X(FPDF_GetDefaultSystemFontInfo, FPDF_SYSFONTINFO*, ()) \
    X(FPDF_FreeDefaultSystemFontInfo, void, (FPDF_SYSFONTINFO* pFontInfo)) \
    /* Annotations */ \
    X(FPDFAnnot_IsSupportedSubtype, FPDF_BOOL, (FPDF_ANNOTATION_SUBTYPE subtype)) \
    X(FPDFPage_CreateAnnot, FPDF_ANNOTATION, (FPDF_PAGE page, FPDF_ANNOTATION_SUBTYPE subtype)) \
    X(FPDFPage_GetAnnotCount, int, (FPDF_PAGE page)) \
    X(FPDFPage_GetAnnot, FPDF_ANNOTATION, (FPDF_PAGE page, int index)) \
    X(FPDFPage_GetAnnotIndex, int, (FPDF_PAGE page, FPDF_ANNOTATION annot)) \
    X(FPDFPage_CloseAnnot, void, (FPDF_ANNOTATION annot)) \
    X(FPDFPage_RemoveAnnot, FPDF_BOOL, (FPDF_PAGE page, int index)) \
    X(FPDFAnnot_GetSubtype, FPDF_ANNOTATION_SUBTYPE, (FPDF_ANNOTATION annot)) \
    X(FPDFAnnot_GetFlags, int, (FPDF_ANNOTATION annot)) \
    X(FPDFAnnot_SetFlags, FPDF_BOOL, (FPDF_ANNOTATION annot, int flags)) \
    X(FPDFAnnot_GetRect, FPDF_BOOL, (FPDF_ANNOTATION annot, FS_RECTF* rect)) \
    X(FPDFAnnot_SetRect, FPDF_BOOL, (FPDF_ANNOTATION annot, const FS_RECTF* rect)) \
    X(FPDFAnnot_HasKey, FPDF_BOOL, (FPDF_ANNOTATION annot, FPDF_BYTESTRING key)) \
    X(FPDFAnnot_GetValueType, FPDF_OBJECT_TYPE, (FPDF_ANNOTATION annot, FPDF_BYTESTRING key)) \
    X(FPDFAnnot_SetStringValue, FPDF_BOOL, (FPDF_ANNOTATION annot, FPDF_BYTESTRING key, FPDF_WIDESTRING value)) \
    X(FPDFAnnot_GetStringValue, unsigned long, (FPDF_ANNOTATION annot, FPDF_BYTESTRING key, FPDF_WCHAR* buffer, unsigned long buflen)) \
    X(FPDFAnnot_GetNumberValue, FPDF_BOOL, (FPDF_ANNOTATION annot, FPDF_BYTESTRING key, float* value)) \
    X(FPDFAnnot_GetLink, FPDF_LINK, (FPDF_ANNOTATION annot)) \
    X(FPDFAnnot_SetURI, FPDF_BOOL, (FPDF_ANNOTATION annot, const char* uri)) \
    X(FPDFAnnot_GetColor, FPDF_BOOL, (FPDF_ANNOTATION annot, FPDFANNOT_COLORTYPE type, unsigned int* R, unsigned int* G, unsigned int* B, unsigned int* A)) \
    X(FPDFAnnot_SetColor, FPDF_BOOL, (FPDF_ANNOTATION annot, FPDFANNOT_COLORTYPE type, unsigned int R, unsigned int G, unsigned int B, unsigned int A)) \
    X(FPDFAnnot_GetFormFieldFlags, int, (FPDF_FORMHANDLE handle, FPDF_ANNOTATION annot)) \
    X(FPDFAnnot_GetFormFieldName, unsigned long, (FPDF_FORMHANDLE hHandle, FPDF_ANNOTATION annot, FPDF_WCHAR* buffer, unsigned long buflen)) \
    X(FPDFAnnot_GetFormFieldType, int, (FPDF_FORMHANDLE hHandle, FPDF_ANNOTATION annot)) \
    X(FPDFAnnot_GetFormFieldValue, unsigned long, (FPDF_FORMHANDLE hHandle, FPDF_ANNOTATION annot, FPDF_WCHAR* buffer, unsigned long buflen)) \
    /* Page objects and editing */ \
    X(FPDF_CreateNewDocument, FPDF_DOCUMENT, ()) \
    X(FPDFPage_New, FPDF_PAGE, (FPDF_DOCUMENT document, int page_index, double width, double height)) \
    X(FPDFPage_Delete, void, (FPDF_DOCUMENT document, int page_index)) \
    X(FPDF_MovePages, FPDF_BOOL, (FPDF_DOCUMENT document, const int* page_indices, unsigned long page_indices_len, int dest_page_index)) \
    X(FPDFPage_GetRotation, int, (FPDF_PAGE page)) \
    X(FPDFPage_SetRotation, void, (FPDF_PAGE page, int rotate)) \
    X(FPDFPage_InsertObject, void, (FPDF_PAGE page, FPDF_PAGEOBJECT page_object)) \
    X(FPDFPage_RemoveObject, FPDF_BOOL, (FPDF_PAGE page, FPDF_PAGEOBJECT page_object)) \
    X(FPDFPage_CountObjects, int, (FPDF_PAGE page)) \
    X(FPDFPage_GetObject, FPDF_PAGEOBJECT, (FPDF_PAGE page, int index)) \
    X(FPDFPage_HasTransparency, FPDF_BOOL, (FPDF_PAGE page)) \
    X(FPDFPage_GenerateContent, FPDF_BOOL, (FPDF_PAGE page)) \
    X(FPDFPageObj_Destroy, void, (FPDF_PAGEOBJECT page_object)) \
    X(FPDFPageObj_HasTransparency, FPDF_BOOL, (FPDF_PAGEOBJECT page_object)) \
    X(FPDFPageObj_GetType, int, (FPDF_PAGEOBJECT page_object)) \
    X(FPDFPageObj_Transform, void, (FPDF_PAGEOBJECT page_object, double a, double b, double c, double d, double e, double f)) \
    X(FPDFPageObj_GetMatrix, FPDF_BOOL, (FPDF_PAGEOBJECT page_object, FS_MATRIX* matrix)) \
    X(FPDFPageObj_SetMatrix, FPDF_BOOL, (FPDF_PAGEOBJECT page_object, const FS_MATRIX* matrix)) \
    X(FPDFPageObj_GetBounds, FPDF_BOOL, (FPDF_PAGEOBJECT page_object, float* left, float* bottom, float* right, float* top)) \
    X(FPDFPageObj_SetStrokeColor, FPDF_BOOL, (FPDF_PAGEOBJECT page_object, unsigned int R, unsigned int G, unsigned int B, unsigned int A)) \
    X(FPDFPageObj_GetStrokeColor, FPDF_BOOL, (FPDF_PAGEOBJECT page_object, unsigned int* R, unsigned int* G, unsigned int* B, unsigned int* A)) \
    X(FPDFPageObj_SetStrokeWidth, FPDF_BOOL, (FPDF_PAGEOBJECT page_object, float width)) \
    X(FPDFPageObj_GetStrokeWidth, FPDF_BOOL, (FPDF_PAGEOBJECT page_object, float* width)) \
    X(FPDFPageObj_SetFillColor, FPDF_BOOL, (FPDF_PAGEOBJECT page_object, unsigned int R, unsigned int G, unsigned int B, unsigned int A)) \
    X(FPDFPageObj_GetFillColor, FPDF_BOOL, (FPDF_PAGEOBJECT page_object, unsigned int* R, unsigned int* G, unsigned int* B, unsigned int* A)) \
    X(FPDFPageObj_NewImageObj, FPDF_PAGEOBJECT, (FPDF_DOCUMENT document)) \
    X(FPDFPageObj_CreateNewPath, FPDF_PAGEOBJECT, (float x, float y)) \
    X(FPDFPageObj_CreateNewRect, FPDF_PAGEOBJECT, (float x, float y, float w, float h)) \
    X(FPDFPath_MoveTo, FPDF_BOOL, (FPDF_PAGEOBJECT path, float x, float y)) \
    X(FPDFPath_LineTo, FPDF_BOOL, (FPDF_PAGEOBJECT path, float x, float y)) \
    X(FPDFPath_BezierTo, FPDF_BOOL, (FPDF_PAGEOBJECT path, float x1, float y1, float x2, float y2, float x3, float y3)) \
    X(FPDFPath_Close, FPDF_BOOL, (FPDF_PAGEOBJECT path)) \
    X(FPDFPath_SetDrawMode, FPDF_BOOL, (FPDF_PAGEOBJECT path, int fillmode, FPDF_BOOL stroke)) \
    X(FPDFPageObj_NewTextObj, FPDF_PAGEOBJECT, (FPDF_DOCUMENT document, FPDF_BYTESTRING font, float font_size)) \
    X(FPDFText_SetText, FPDF_BOOL, (FPDF_PAGEOBJECT text_object, FPDF_WIDESTRING text)) \
    X(FPDFText_LoadFont, FPDF_FONT, (FPDF_DOCUMENT document, const uint8_t* data, uint32_t size, int font_type, FPDF_BOOL cid)) \
    X(FPDFText_LoadStandardFont, FPDF_FONT, (FPDF_DOCUMENT document, FPDF_BYTESTRING font)) \
    X(FPDFFont_Close, void, (FPDF_FONT font)) \
    X(FPDFPageObj_CreateTextObj, FPDF_PAGEOBJECT, (FPDF_DOCUMENT document, FPDF_FONT font, float font_size))
// clang-format on
