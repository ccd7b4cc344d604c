/* Loads both engines from engines/ the way the desktop program does (by file name, at run time)
 * and drives each one through a real round trip: wkhtmltox renders a small page, PDFium reopens
 * the result. A library that merely loads can still lack a Qt plugin or an entry point the
 * bindings need, so symbols alone prove too little. */
#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

static int failures = 0;

static void fail(const char* what, const char* detail) {
    fprintf(stderr, "check-engines: %s: %s\n", what, detail ? detail : "(no detail)");
    ++failures;
}

static void* need(void* lib, const char* name) {
    void* sym = dlsym(lib, name);
    if (!sym)
        fail("missing symbol", name);
    return sym;
}

static double seconds(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static void on_wk_error(void* converter, const char* msg) {
    (void)converter;
    fail("wkhtmltox error", msg);
}

/* Every entry point the wkhtmltox binding resolves; checked up front so a library built from a
 * different source release is caught here rather than at the first conversion. */
static const char* const wk_symbols[] = {"wkhtmltopdf_init",
                                         "wkhtmltopdf_deinit",
                                         "wkhtmltopdf_version",
                                         "wkhtmltopdf_create_global_settings",
                                         "wkhtmltopdf_destroy_global_settings",
                                         "wkhtmltopdf_create_object_settings",
                                         "wkhtmltopdf_destroy_object_settings",
                                         "wkhtmltopdf_set_global_setting",
                                         "wkhtmltopdf_get_global_setting",
                                         "wkhtmltopdf_set_object_setting",
                                         "wkhtmltopdf_get_object_setting",
                                         "wkhtmltopdf_create_converter",
                                         "wkhtmltopdf_destroy_converter",
                                         "wkhtmltopdf_add_object",
                                         "wkhtmltopdf_convert",
                                         "wkhtmltopdf_set_warning_callback",
                                         "wkhtmltopdf_set_error_callback",
                                         "wkhtmltopdf_set_phase_changed_callback",
                                         "wkhtmltopdf_set_progress_changed_callback",
                                         "wkhtmltopdf_set_finished_callback",
                                         "wkhtmltopdf_current_phase",
                                         "wkhtmltopdf_phase_description",
                                         "wkhtmltopdf_get_output",
                                         NULL};

typedef void (*str_cb)(void*, const char*);

static int render(void* wk, const char* html, const char* pdf) {
    int (*init)(int) = (int (*)(int))need(wk, "wkhtmltopdf_init");
    int (*deinit)(void) = (int (*)(void))need(wk, "wkhtmltopdf_deinit");
    void* (*global)(void) = (void* (*)(void))need(wk, "wkhtmltopdf_create_global_settings");
    void* (*object)(void) = (void* (*)(void))need(wk, "wkhtmltopdf_create_object_settings");
    int (*set_g)(void*, const char*, const char*) =
        (int (*)(void*, const char*, const char*))need(wk, "wkhtmltopdf_set_global_setting");
    int (*set_o)(void*, const char*, const char*) =
        (int (*)(void*, const char*, const char*))need(wk, "wkhtmltopdf_set_object_setting");
    void* (*create)(void*) = (void* (*)(void*))need(wk, "wkhtmltopdf_create_converter");
    void (*destroy)(void*) = (void (*)(void*))need(wk, "wkhtmltopdf_destroy_converter");
    void (*on_error)(void*, str_cb) =
        (void (*)(void*, str_cb))need(wk, "wkhtmltopdf_set_error_callback");
    void (*add)(void*, void*, const char*) =
        (void (*)(void*, void*, const char*))need(wk, "wkhtmltopdf_add_object");
    int (*convert)(void*) = (int (*)(void*))need(wk, "wkhtmltopdf_convert");
    if (failures)
        return 0;

    if (!init(0)) {
        fail("wkhtmltopdf_init", "returned 0");
        return 0;
    }
    void* g = global();
    void* o = object();
    set_g(g, "out", pdf);
    set_o(o, "page", html);
    void* conv = create(g); /* owns g and, once added, o */
    on_error(conv, on_wk_error);
    add(conv, o, NULL);
    double start = seconds();
    int ok = convert(conv);
    printf("    wkhtmltox: one page rendered in %.2f s\n", seconds() - start);
    destroy(conv);
    deinit();
    if (!ok)
        fail("wkhtmltopdf_convert", "returned 0");
    return ok;
}

static void check_wkhtmltox(const char* path, const char* html, const char* pdf) {
    void* wk = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!wk) {
        fail("dlopen", dlerror());
        return;
    }
    for (const char* const* s = wk_symbols; *s; ++s)
        need(wk, *s);
    const char* (*version)(void) = (const char* (*)(void))need(wk, "wkhtmltopdf_version");
    if (version)
        printf("    wkhtmltox: version %s\n", version());
    render(wk, html, pdf);
    /* Never unloaded: Qt does not survive being unloaded and loaded again in one process. */
}

static void check_pdfium(const char* path, const char* pdf) {
    void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        fail("dlopen", dlerror());
        return;
    }
    need(lib, "FPDF_ImportPages");
    need(lib, "FPDF_SaveAsCopy");
    need(lib, "FPDF_CreateNewDocument");
    void (*init)(void) = (void (*)(void))need(lib, "FPDF_InitLibrary");
    void (*done)(void) = (void (*)(void))need(lib, "FPDF_DestroyLibrary");
    void* (*load)(const char*, const char*) =
        (void* (*)(const char*, const char*))need(lib, "FPDF_LoadDocument");
    int (*pages)(void*) = (int (*)(void*))need(lib, "FPDF_GetPageCount");
    void (*close_doc)(void*) = (void (*)(void*))need(lib, "FPDF_CloseDocument");
    if (failures)
        return;
    init();
    void* doc = load(pdf, NULL);
    if (!doc) {
        fail("FPDF_LoadDocument could not open the rendered page", pdf);
    } else {
        int n = pages(doc);
        printf("    pdfium: reopened the rendered page, %d page(s)\n", n);
        if (n < 1)
            fail("FPDF_GetPageCount", "no pages");
        close_doc(doc);
    }
    done();
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: check-engines ENGINES_DIR SCRATCH_DIR\n");
        return 2;
    }
    char wk[4096], pdfium[4096], html[4096], pdf[4096];
    snprintf(wk, sizeof wk, "%s/libwkhtmltox.so", argv[1]);
    snprintf(pdfium, sizeof pdfium, "%s/libpdfium.so", argv[1]);
    snprintf(html, sizeof html, "%s/check.html", argv[2]);
    snprintf(pdf, sizeof pdf, "%s/check.pdf", argv[2]);

    FILE* f = fopen(html, "w");
    if (!f) {
        perror(html);
        return 1;
    }
    fputs(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>"
        "<body><h1>Chapter 1</h1><p>Grüße, “quotes”.</p></body></html>\n",
        f);
    fclose(f);
    remove(pdf);

    check_wkhtmltox(wk, html, pdf);
    if (!failures)
        check_pdfium(pdfium, pdf);
    return failures ? 1 : 0;
}
