#pragma once

#include <chrono>
#include <string>

// Where the programs that build books find the render worker and the render cache, and how
// long a page may take.
namespace quill {

// The render worker below a program's folder: "<folder>/bin/quillrender", the way the
// window finds its launcher.
std::string RendererBelow(const std::string& programFolder);

// The longest one page's rendering may take: QUILLBY_RENDER_TIMEOUT_MS, or 60 s.
std::chrono::milliseconds ChapterTimeoutSetting();

// The most render workers side by side: QUILLBY_RENDER_WORKERS, or 0 (one for each
// processor, as memory allows).
int RenderWorkersSetting();

// This user's render cache: $XDG_CACHE_HOME/quillby/render, or ~/.cache/quillby/render;
// empty (no cache) when neither can be told.
std::string UserRenderCacheFolder();

}  // namespace quill
