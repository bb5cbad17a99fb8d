#include "platform/wire.h"

#include <algorithm>

namespace tellmar::wire {

void Writer::U32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Writer::I64(std::int64_t v) {
  const auto u = static_cast<std::uint64_t>(v);
  for (int i = 0; i < 8; ++i) out_.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void Writer::Bytes(std::string_view v) {
  U32(static_cast<std::uint32_t>(v.size()));
  out_.append(v);
}

bool Reader::U8(std::uint8_t& v) {
  if (in_.size() - pos_ < 1) return false;
  v = static_cast<std::uint8_t>(in_[pos_++]);
  return true;
}

bool Reader::U32(std::uint32_t& v) {
  if (in_.size() - pos_ < 4) return false;
  v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(in_[pos_ + i])) << (8 * i);
  pos_ += 4;
  return true;
}

bool Reader::I64(std::int64_t& v) {
  if (in_.size() - pos_ < 8) return false;
  std::uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(in_[pos_ + i])) << (8 * i);
  pos_ += 8;
  v = static_cast<std::int64_t>(u);
  return true;
}

bool Reader::Bytes(std::string& v) {
  std::uint32_t n = 0;
  if (!U32(n) || in_.size() - pos_ < n) return false;
  v.assign(in_.substr(pos_, n));
  pos_ += n;
  return true;
}

namespace {
std::string Frame(std::string payload) {
  Writer w;
  w.U32(static_cast<std::uint32_t>(payload.size()));
  return w.Take() + payload;
}
}  // namespace

std::string EncodeRequest(const Request& r) {
  Writer w;
  w.U8(static_cast<std::uint8_t>(r.kind));
  w.U32(static_cast<std::uint32_t>(r.hwnd));
  w.U32(r.msg);
  w.I64(r.wParam);
  w.I64(r.lParam);
  w.Bytes(r.bytes);
  return Frame(w.Take());
}

std::string EncodeReply(const Reply& r) {
  Writer w;
  w.U8(static_cast<std::uint8_t>(Kind::Reply));
  w.U8(r.ok ? 1 : 0);
  w.I64(r.value);
  w.Bytes(r.bytes);
  return Frame(w.Take());
}

std::optional<Request> DecodeRequest(std::string_view payload, std::string& error) {
  Reader in(payload);
  std::uint8_t kind = 0;
  std::uint32_t hwnd = 0;
  Request r;
  if (!in.U8(kind) || !in.U32(hwnd) || !in.U32(r.msg) || !in.I64(r.wParam) || !in.I64(r.lParam) || !in.Bytes(r.bytes) ||
      !in.AtEnd()) {
    error = "malformed request";
    return std::nullopt;
  }
  if (kind < static_cast<std::uint8_t>(Kind::Send) || kind > static_cast<std::uint8_t>(Kind::Automate)) {
    error = "unknown request kind " + std::to_string(kind);
    return std::nullopt;
  }
  r.kind = static_cast<Kind>(kind);
  r.hwnd = static_cast<HWND>(hwnd);
  return r;
}

std::optional<Reply> DecodeReply(std::string_view payload, std::string& error) {
  Reader in(payload);
  std::uint8_t kind = 0, ok = 0;
  Reply r;
  if (!in.U8(kind) || kind != static_cast<std::uint8_t>(Kind::Reply) || !in.U8(ok) || ok > 1 || !in.I64(r.value) ||
      !in.Bytes(r.bytes) || !in.AtEnd()) {
    error = "malformed reply";
    return std::nullopt;
  }
  r.ok = ok == 1;
  return r;
}

std::optional<std::size_t> FrameLength(std::string_view buffer, std::string& error) {
  if (buffer.size() < kLengthBytes) return std::nullopt;
  Reader in(buffer);
  std::uint32_t n = 0;
  in.U32(n);
  if (n > kMaxFrame) {
    error = "frame of " + std::to_string(n) + " bytes is over the limit";
    return std::nullopt;
  }
  return n;
}

Marshal MarshalOf(UINT msg) {
  switch (msg) {
    case WM_SETTEXT:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING:
    case CB_ADDSTRING:
    case CB_INSERTSTRING:
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING:
    case EM_REPLACESEL:
      return Marshal::TextIn;
    case WM_GETTEXT:
    case LB_GETTEXT:
    case CB_GETLBTEXT:
      return Marshal::TextOut;
    case WM_COPYDATA:
      return Marshal::CopyData;
    default:
      break;
  }
  const std::vector<UINT>& pointers = PointerMessages();
  if (std::find(pointers.begin(), pointers.end(), msg) != pointers.end()) return Marshal::Refused;
  return Marshal::Plain;
}

const std::vector<UINT>& PointerMessages() {
  // Only numbers below WM_USER: above it a number means something else to
  // each window class (tmadmin32's and Dialwick's messages are plain there).
  static const std::vector<UINT> messages{
      WM_CREATE,        WM_GETMINMAXINFO,     WM_DRAWITEM,         WM_MEASUREITEM,
      WM_DELETEITEM,    WM_COMPAREITEM,       WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED,
      WM_NOTIFY,        WM_HELP,              WM_STYLECHANGING,    WM_STYLECHANGED,
      WM_NCCREATE,      WM_NCCALCSIZE,        WM_GETDLGCODE,       WM_INITDIALOG,
      WM_SIZING,        WM_MOVING,            EM_GETSEL,           EM_GETRECT,
      EM_SETRECT,       EM_SETRECTNP,         EM_GETLINE,          EM_SETTABSTOPS,
      CB_GETEDITSEL,    CB_DIR,               CB_GETDROPPEDCONTROLRECT,
      LB_DIR,           LB_ADDFILE,           LB_GETITEMRECT,      LB_GETSELITEMS,
      LB_SETTABSTOPS,
  };
  return messages;
}

}  // namespace tellmar::wire
