// windows-31j: any bytes decode to text that encodes without loss, to bytes
// of the same length that decode to the same text; encoding is stable from
// then on. Bytes differ only where a character has two codes and the input
// used the one Windows does not write.

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString text = store::decode_cp932(input);
  bool ok = false;
  const QByteArray bytes = store::encode_cp932(text, &ok);
  FUZZ_CHECK(ok, "decoded text encodes without replacement");
  FUZZ_CHECK(store::representable_in_cp932(text), "decoded text is representable");
  FUZZ_CHECK(bytes.size() == input.size(), "same length");
  FUZZ_CHECK(store::decode_cp932(bytes) == text, "same text");
  FUZZ_CHECK(store::encode_cp932(store::decode_cp932(bytes)) == bytes, "stable");
  // Character by character: the input bytes of each character are its
  // code, or another code of the same character.
  qsizetype at = 0;
  for (const QChar c : text) {
    const QByteArray code = store::encode_cp932(QString(c));
    const QByteArray was = input.mid(at, code.size());
    FUZZ_CHECK(was == code || (code.size() == 2 && store::decode_cp932(was) == QString(c)),
               "a changed code means the same character");
    at += code.size();
  }
  return 0;
}
