// Result: how every layer below the windows reports the outcome of an operation. A failure
// carries what kind of failure it was (so callers can tell "not this format" from "this
// format, broken", or a full disk from a bad request), the program's own text (what the window
// and the command-line tool show, unchanged) and the cause (the path, the system's or the
// decoder's reason), which may be empty.
#pragma once

#include <string>
#include <utility>

enum class ErrorKind : int {
  None = 0,      // success
  InvalidInput,  // the input or request is wrong (a bad value, a corrupt structure)
  Unsupported,   // well formed, but a variant this program does not handle
  Truncated,     // the data ends before its structure does
  TooLarge,      // beyond one of the limits in base/Limits.h, or beyond memory
  Io,            // the file system refused (missing, unreadable, disk full, size limit)
  Interrupted,   // the user or a signal stopped it; nothing is wrong with the input
  Unavailable,   // a service the operation needs is missing (no renderer, no encoder)
};

class Result {
 public:
  Result() = default;

  static Result Success() { return Result(); }
  static Result Fail(std::string text, std::string why = std::string()) {
    return Fail(ErrorKind::InvalidInput, std::move(text), std::move(why));
  }
  static Result Fail(ErrorKind kind, std::string text, std::string why = std::string()) {
    Result r;
    r.kind = kind == ErrorKind::None ? ErrorKind::InvalidInput : kind;
    r.message = std::move(text);
    r.cause = std::move(why);
    return r;
  }

  bool ok() const { return kind == ErrorKind::None; }
  explicit operator bool() const { return ok(); }
  // The text first, then the cause.
  std::string FullText() const { return cause.empty() ? message : message + " " + cause; }

  ErrorKind kind = ErrorKind::None;
  std::string message;  // the program's own text ("save project error!")
  std::string cause;    // what caused it: the path and the system's reason; may be empty
};
