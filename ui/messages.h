// Texts the program shows in its message boxes. The Japanese texts are
// stored as code page 932 (Shift_JIS) bytes, whatever the encoding of this
// file, because the message box takes them as ANSI text.
#ifndef PUKAVRO_MESSAGES_H
#define PUKAVRO_MESSAGES_H

#define ERROR_CAPTION "Error"

// 画像取得中にエラーが発生しました (an error occurred while acquiring the image)
#define CAPTURE_FAILED_TEXT                                                                        \
    "\x89\xE6\x91\x9C\x8E\xE6\x93\xBE\x92\x86\x82\xC9\x83\x47\x83\x89\x81\x5B"                     \
    "\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD"

// ファイル出力中にエラーが発生しました (an error occurred while writing the file)
#define SAVE_FAILED_TEXT                                                                           \
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x8F\x6F\x97\xCD\x92\x86\x82\xC9\x83\x47"                     \
    "\x83\x89\x81\x5B\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD"

#endif
