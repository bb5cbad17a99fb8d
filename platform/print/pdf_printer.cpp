#include "platform/print/pdf_printer.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/ascii.h"

namespace tellmar::print {
namespace {

void SetFont(cairo_t* cr, const std::string& font, double size, bool bold) {
  cairo_select_font_face(cr, font.c_str(), CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
}

struct SurfaceCloser {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextCloser {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceCloser>;
using Context = std::unique_ptr<cairo_t, ContextCloser>;

}  // namespace

// A context on a tiny image, only to measure texts.
struct PdfPrinter::Measure {
  Surface surface{cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1)};
  Context cr{cairo_create(surface.get())};
};

PdfPrinter::PdfPrinter(std::string path, PageSetup setup)
    : path_(std::move(path)), setup_(std::move(setup)), measure_(std::make_unique<Measure>()) {}

PdfPrinter::~PdfPrinter() = default;

double PdfPrinter::TextWidth(std::string_view text, const std::string& font, double size, bool bold) const {
  cairo_t* cr = measure_->cr.get();
  SetFont(cr, font, size, bold);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, Utf8FromBytes(text).c_str(), &extents);
  return extents.x_advance;
}

std::string PdfPrinter::Print(const PrintDocument& document) {
  if (path_.empty()) return "no file name to print to";
  const std::string part = path_ + ".part";
  std::string error;
  bool created = false;
  {
    Surface surface(cairo_pdf_surface_create(part.c_str(), setup_.width, setup_.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
      error = std::string("cannot write ") + path_ + ": " + std::strerror(errno);
    } else {
      created = true;
      cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, Utf8FromBytes(document.title).c_str());
      Context cr(cairo_create(surface.get()));
      cairo_set_source_rgb(cr.get(), 0, 0, 0);
      for (const PrintPage& page : document.pages) {
        for (const TextRun& run : page.runs) {
          SetFont(cr.get(), run.font, run.size, run.bold);
          cairo_move_to(cr.get(), run.x, run.y);
          cairo_show_text(cr.get(), Utf8FromBytes(run.text).c_str());
        }
        cairo_show_page(cr.get());
      }
      cr.reset();
      cairo_surface_finish(surface.get());
      if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        error = std::string("cannot write ") + path_ + ": " + cairo_status_to_string(cairo_surface_status(surface.get()));
    }
  }
  if (error.empty() && std::rename(part.c_str(), path_.c_str()) != 0)
    error = std::string("cannot write ") + path_ + ": " + std::strerror(errno);
  if (!error.empty() && created) std::remove(part.c_str());
  return error;
}

}  // namespace tellmar::print
