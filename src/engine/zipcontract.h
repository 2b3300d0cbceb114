/*
 * The calling contract between Tovo's archive engine and its two ZIP library
 * modules. Plain C, shared by both sides.
 *
 * Each module is a shared library in the program directory with one entry:
 *
 *     int entry(int version, int argc, char **argv, TovoZipCallback cb, void *user);
 *
 * version is TOVO_ZIP_CONTRACT_VERSION; argv holds argc elements followed by
 * a NULL. Element 0 is always the password (possibly empty). Every element is
 * a NUL-terminated UTF-8 text, except the self-extractor settings record,
 * which travels as one element (see TovoZipSfxSettings). The elements live
 * only for the duration of the call: the module copies what it keeps.
 *
 * The module calls cb(message, data, user) on the calling thread, before the
 * entry returns, with one of the TOVO_ZIP_MSG_* numbers and the data block of
 * that message. The callback answers 1 to ask the module to stop the run and
 * return, 0 to go on. The entry returns 0 for success, 1 to 99 for a warning,
 * 100 and above for an error.
 *
 * Buffers handed to the callback carry their capacity in bytes; the engine
 * never writes past it, and where it writes a closing NUL the NUL is counted
 * in the capacity. Texts are UTF-8; stored names use "/" as separator.
 */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TOVO_ZIP_CONTRACT_VERSION 100

#define TOVO_ZIP_WRITER_MODULE "libzipwr.so" /* add, freshen, update, delete, fix, sfx */
#define TOVO_ZIP_WRITER_ENTRY "zipwr"
#define TOVO_ZIP_READER_MODULE "libziprd.so" /* extract, list, test */
#define TOVO_ZIP_READER_ENTRY "ziprd"

typedef int (*TovoZipCallback)(int message, void *data, void *user);
typedef int (*TovoZipEntry)(int version, int argc, char **argv, TovoZipCallback cb, void *user);

/* Limits the engine applies to what it writes back. */
#define TOVO_ZIP_PASSWORD_MAX_CHARS 80 /* a longer password is cut to its first 80 characters */
#define TOVO_ZIP_COMMENT_MAX_CHARS 255 /* file comments and the relayed archive comment */

/* Buffer capacities a module should offer so that the engine never has to
 * cut a text short of the limits above (three UTF-8 bytes per character, and
 * the NUL where one is written). Smaller buffers are safe, only cut sooner. */
#define TOVO_ZIP_NAME_BUFFER_SIZE 4096
#define TOVO_ZIP_PASSWORD_BUFFER_SIZE (3 * TOVO_ZIP_PASSWORD_MAX_CHARS + 1)
#define TOVO_ZIP_COMMENT_BUFFER_SIZE (3 * TOVO_ZIP_COMMENT_MAX_CHARS)

/* ---- Messages ----------------------------------------------------------- */

enum {
    TOVO_ZIP_MSG_REPLACE = 10,          /* TovoZipReplaceData: a file to extract exists */
    TOVO_ZIP_MSG_TESTING = 50,          /* TovoZipFileStatsData */
    TOVO_ZIP_MSG_EXTRACTING = 60,       /* TovoZipFileStatsData */
    TOVO_ZIP_MSG_VALUE = 70,            /* TovoZipValueData */
    TOVO_ZIP_MSG_LISTING = 80,          /* TovoZipFileStatsData: one entry of the archive */
    TOVO_ZIP_MSG_STATS = 90,            /* TovoZipFileStatsData, kept by the engine, no event */
    TOVO_ZIP_MSG_PASSWORD = 100,        /* TovoZipPasswordData */
    TOVO_ZIP_MSG_NEW_DISK = 110,        /* TovoZipNewDiskData */
    TOVO_ZIP_MSG_FILE_COMMENT = 120,    /* TovoZipFileCommentData */
    TOVO_ZIP_MSG_COMMENT_STORE = 130,   /* TovoZipCommentStoreData: keep this archive comment */
    TOVO_ZIP_MSG_COMMENT_FETCH = 140,   /* TovoZipCommentFetchData: hand back the kept comment */
    TOVO_ZIP_MSG_GLOBAL_STATUS = 150,   /* TovoZipGlobalStatusData */
    TOVO_ZIP_MSG_RENAME = 160,          /* TovoZipRenameData */
    TOVO_ZIP_MSG_UPDATING = 1000,       /* TovoZipFileStatsData */
    TOVO_ZIP_MSG_ADDING = 1010,         /* TovoZipFileStatsData */
    TOVO_ZIP_MSG_DELETING = 1020,       /* data is the entry name itself (const char *) */
    TOVO_ZIP_MSG_STATUS = 1030,         /* TovoZipFileStatsData: bytesDone of size so far */
    TOVO_ZIP_MSG_SKIPPING = 1060,       /* TovoZipSkippingData */
    TOVO_ZIP_MSG_FIXING = 1070          /* data is the entry name itself (const char *) */
};

/* ---- Data blocks, one per message, natural alignment -------------------- */

/* Bits of TovoZipFileStatsData.attributes (the DOS attribute byte). */
enum {
    TOVO_ZIP_ATTR_READ_ONLY = 0x01,
    TOVO_ZIP_ATTR_HIDDEN = 0x02,
    TOVO_ZIP_ATTR_SYSTEM = 0x04,
    TOVO_ZIP_ATTR_VOLUME_LABEL = 0x08,
    TOVO_ZIP_ATTR_DIRECTORY = 0x10,
    TOVO_ZIP_ATTR_ARCHIVE = 0x20
};

typedef struct TovoZipFileStatsData {
    const char *fileName;
    int64_t size;            /* uncompressed */
    int64_t compressedSize;
    int64_t bytesDone;       /* TOVO_ZIP_MSG_STATUS: bytes of size processed so far */
    unsigned char attributes;
    uint32_t dosDateTime;    /* low 16 bits the time, high 16 bits the date */
    int32_t extra32;         /* extra32 .. extraFlag: passed through, unused by Tovo */
    unsigned char extraByte1;
    unsigned char extraByte2;
    unsigned char extraByte3;
    unsigned char extraFlag;
    const char *comment;     /* commentLength bytes, no NUL needed; NULL when none */
    uint16_t commentLength;
} TovoZipFileStatsData;

typedef struct TovoZipReplaceData {
    const char *fileName;
    char *newName;           /* the engine writes a NUL-terminated name here */
    size_t newNameSize;
    unsigned char action;    /* the module's proposal in, the answer out: 1 replace, 0 skip */
} TovoZipReplaceData;

typedef struct TovoZipValueData {
    int32_t value;
} TovoZipValueData;

typedef struct TovoZipPasswordData {
    const char *fileName;
    char *password;          /* the engine writes a NUL-terminated password here */
    size_t passwordSize;
    unsigned char action;    /* the module's byte in; out: 2 (reading side) or 5 (writing side)
                                with an automatic answer, 0 when that answer was just refused */
} TovoZipPasswordData;

typedef struct TovoZipNewDiskData {
    int32_t diskNumber;
} TovoZipNewDiskData;

typedef struct TovoZipFileCommentData {
    const char *fileName;
    char *comment;           /* the engine writes commentLength bytes, no NUL */
    size_t commentSize;
    uint16_t commentLength;  /* out: bytes written */
} TovoZipFileCommentData;

typedef struct TovoZipCommentStoreData {
    const char *text;        /* length bytes (a NUL ends it sooner) */
    uint16_t length;
} TovoZipCommentStoreData;

typedef struct TovoZipCommentFetchData {
    char *buffer;            /* the engine writes length bytes, no NUL */
    size_t bufferSize;
    uint16_t length;         /* out: bytes written */
    int32_t filled;          /* out: 1 */
} TovoZipCommentFetchData;

/* Six values passed through, unused by Tovo. The engine hands them on in the
 * order value0, value2, byte0, value1, value3, byte1. */
typedef struct TovoZipGlobalStatusData {
    int32_t value0;
    int32_t value1;
    int32_t value2;
    int32_t value3;
    unsigned char byte0;
    unsigned char byte1;
} TovoZipGlobalStatusData;

typedef struct TovoZipRenameData {
    const char *fileName;
    char *newName;           /* the engine writes a NUL-terminated name here */
    size_t newNameSize;
} TovoZipRenameData;

typedef struct TovoZipSkippingData {
    const char *fileName;
    unsigned char reason;
} TovoZipSkippingData;

/* ---- Self-extractor settings record ------------------------------------- */

/* The record travels in argv right after "-Y", the stub path and the stub
 * argument, as a TovoZipSfxSettings * cast to char *. Its first bytes are the
 * NUL-terminated text TOVO_ZIP_SFX_MAGIC, so the element also reads safely as
 * a text; a module recognises it by that text and then checks size.
 *
 * The writing module makes a self-extracting program from the archive with
 * "-M" (and, after an add, with "-Y" alone): the archive's name with the
 * last three characters of its file-name part replaced by "EXE", beside it,
 * mode 0755; the archive itself is never changed. The program is the stub (a
 * Linux program needing only the C library), the record's settings, then the
 * archive with its offsets moved, so ZIP readers read the program as the
 * archive. Run, the program talks on its terminal (it opens the desktop's
 * terminal emulator when started without one; with no terminal at all it
 * extracts into the current folder, never overwriting, messages on standard
 * error) and takes the options -d DIR, -o, -n, -p PASSWORD, -a (accept the
 * licence), -l (list), -t (test) and -h; exit status 0, 1 (a warning or the
 * user said no) or 2 (an error, or a protected program's wrong password).
 *
 * What the settings mean to the program:
 *   text1     the destination proposed (empty: the current folder); "~"
 *             stands for the home folder
 *   text2     a command run by /bin/sh in the destination after a complete
 *             extraction, only on a terminal and only when the user answers
 *             yes to text3
 *   text3     the question put before running text2 (empty: text2 and "?")
 *   text4     a line describing the contents, shown under the title
 *   text5     the question put after the licence lines1
 *   lines1    a licence shown first: Agree (button 11) or Refuse (button
 *             12); refusing ends the program with nothing written. Without
 *             a terminal only -a accepts it.
 *   lines2    a text shown after a successful extraction
 *   choice    existing files: 0 ask (prompt 6 with Yes, No, All, None,
 *             buttons 5-8; without a terminal: keep), 1 keep, 2 replace;
 *             -o and -n override it
 *   option1   the destination is asked (prompt 0, with OK and Cancel,
 *             buttons 0 and 1); off: the proposed one is used
 *   option2   a missing destination is created only after prompt 5; off:
 *             created without asking (a destination given by -d always is)
 *   passwordProtected  the password is asked once (prompt 1) and must open
 *             every encrypted entry before anything is written (three tries;
 *             a wrong -p ends the program with status 2); off: it is asked
 *             for each entry that needs it (prompt 1 and the entry's name,
 *             an empty answer skipping it and the later ones: button 4)
 *   option3   progress: the destination (caption 3), one line per file
 *             (caption 0) and the overall percentage (caption 1)
 *   option4   the entries are extracted without their folders
 * The title is caption 2; Ctrl+C asks prompt 4 (Yes, No). At the end:
 * message 0 after success, message 1 (%e the code) after a failure, message
 * 2 (%d the folder) when the destination cannot be created, message 4 after
 * a stop, each when its showMessage switch is on; message 3, when on, is a
 * welcome text at the start with Continue and Exit (buttons 9 and 10).
 * Button 10 also closes a terminal window the program opened for itself.
 * Prompts 2 and 3 (disks), captions 4 and 5, buttons 2 and 3 and the icon
 * have no use on this platform. The stub argument holds options applied
 * before those of the command line (words separated by spaces). */
#define TOVO_ZIP_SFX_MAGIC "TOVOSFX"
#define TOVO_ZIP_SFX_MESSAGE_COUNT 5
#define TOVO_ZIP_SFX_PROMPT_COUNT 7
#define TOVO_ZIP_SFX_CAPTION_COUNT 6
#define TOVO_ZIP_SFX_BUTTON_COUNT 13

typedef struct TovoZipSfxSettings {
    char magic[8];                 /* TOVO_ZIP_SFX_MAGIC and its NUL */
    uint32_t size;                 /* sizeof(TovoZipSfxSettings) */
    const char *text1;
    const char *text2;
    const char *text3;
    const char *text4;
    unsigned char choice;          /* 0, 1 or 2 */
    unsigned char option1;         /* the five switches: 1 on, 0 off */
    unsigned char option2;
    unsigned char passwordProtected;
    unsigned char option3;
    unsigned char option4;
    const char *const *messages;   /* TOVO_ZIP_SFX_MESSAGE_COUNT texts, in index order */
    const char *const *prompts;    /* TOVO_ZIP_SFX_PROMPT_COUNT texts */
    const char *const *captions;   /* TOVO_ZIP_SFX_CAPTION_COUNT texts */
    const char *const *buttons;    /* TOVO_ZIP_SFX_BUTTON_COUNT texts */
    const unsigned char *showMessage; /* TOVO_ZIP_SFX_MESSAGE_COUNT switches, 1 = show */
    const char *text5;
    const char *lines1;            /* all lines in one text, each ended by CR LF */
    const char *lines2;
    const unsigned char *icon;     /* icon file image, iconSize bytes; NULL when none */
    size_t iconSize;
} TovoZipSfxSettings;

/* ---- Result codes ------------------------------------------------------- */

/* 0 success, 1..99 warnings (the command was done, some entries were not),
 * 100 and above errors. The engine produces 240 and 430 itself; the modules
 * produce the others, both sides with the same meanings. When several things
 * go wrong in one run, an error wins over a warning. */
enum {
    TOVO_ZIP_OK = 0,
    /* Done, but one or more entries were skipped: refused for safety (a name
     * with "..", an absolute name or a drive prefix, a write through a
     * symbolic link) or failed on their own while the rest went on. Each one
     * is reported by TOVO_ZIP_MSG_SKIPPING. An existing file kept because the
     * overwrite answer was "no" is the user's choice, not a warning. */
    TOVO_ZIP_WARN_SKIPPED = 10,
    /* No archive to work on: it does not exist (freshen, delete, fix, list,
     * test, extract), or it holds no entry (list, test, extract). */
    TOVO_ZIP_WARN_NO_ARCHIVE = 30,
    TOVO_ZIP_WARN_PASSWORD = 40,          /* encrypted entries skipped: password missing or wrong */
    TOVO_ZIP_WARN_NOT_FOUND = 50,         /* some names or file patterns matched nothing */
    /* Not a ZIP archive, or its central directory is inconsistent (bad
     * offsets or counts, overlapping entries). */
    TOVO_ZIP_ERR_BAD_ARCHIVE = 100,
    TOVO_ZIP_ERR_FATAL = 110,             /* unexpected internal failure of a library call */
    TOVO_ZIP_ERR_MEMORY = 120,            /* out of memory */
    TOVO_ZIP_ERR_OPEN_ARCHIVE = 130,      /* the archive cannot be opened (permissions, a folder, I/O error) */
    TOVO_ZIP_ERR_EOF = 140,               /* truncated: an end record or an entry runs past the end of the file */
    TOVO_ZIP_ERR_READ = 150,              /* read error on the archive or an input file while working */
    TOVO_ZIP_ERR_WRITE = 160,             /* write error (disk full, I/O) on an output file or the new archive */
    TOVO_ZIP_ERR_METHOD = 180,            /* an entry uses an unsupported compression method */
    TOVO_ZIP_ERR_CRC = 190,               /* CRC or authentication mismatch: an entry's data is damaged */
    TOVO_ZIP_ERR_TEMP_FILE = 200,         /* cannot create the temporary file for the new archive */
    TOVO_ZIP_ERR_CREATE = 210,            /* cannot create an output file or folder (extraction destination) */
    TOVO_ZIP_ERR_LIBRARY_MISSING = 240,   /* module or entry not found (engine) */
    TOVO_ZIP_ERR_PARAMETERS = 250,        /* invalid argument vector (unknown option, missing archive name) */
    /* Nothing to do: no file matched for add, or no entry matched for
     * delete; the archive is unchanged. */
    TOVO_ZIP_ERR_NOTHING_TO_DO = 280,
    TOVO_ZIP_ERR_OPEN_INPUT = 290,        /* a file to add could not be opened; the archive is unchanged */
    TOVO_ZIP_ERR_REPLACE_ARCHIVE = 300,   /* the new archive could not replace the old one (rename failed) */
    TOVO_ZIP_ERR_COMMENT = 310,           /* archive comment error */
    TOVO_ZIP_ERR_LOCKED = 320,            /* another process is writing the archive; it is unchanged */
    TOVO_ZIP_ERR_VERIFY = 350,            /* the new archive failed its check after writing; the original is kept */
    TOVO_ZIP_ERR_ABORTED = 370,           /* stopped on request (a callback answered 1); the archive is unchanged */
    TOVO_ZIP_ERR_ACCESS = 380,            /* access denied on a file or folder */
    /* 400, 410, 420, 440 and 450 concern multi-disk sets and are never
     * produced on this platform ("-!" and "-&" are accepted and ignored). */
    TOVO_ZIP_ERR_WRONG_DISK = 400,        /* wrong disk of a set */
    TOVO_ZIP_ERR_DISK_SET = 410,          /* incomplete multi-disk set */
    TOVO_ZIP_ERR_WRITE_PROTECTED = 420,   /* removable disk write-protected */
    TOVO_ZIP_ERR_MULTIDISK_REFUSED = 430, /* command refused on a multi-disk archive (engine) */
    TOVO_ZIP_ERR_DISK_FULL = 440,         /* removable disk full */
    TOVO_ZIP_ERR_CLEAR_DISK = 450,        /* cannot clear the removable disk */
    TOVO_ZIP_ERR_SFX_STUB = 460,          /* the self-extractor stub is missing or is no stub ("-M", "-Y") */
    /* Self-extractor creation failed (the archive unreadable, the program
     * not written, or named like the archive); nothing is left behind. */
    TOVO_ZIP_ERR_SFX = 470,
    /* The repair failed: nothing could be salvaged, or the repaired archive
     * does not test clean. */
    TOVO_ZIP_ERR_FIX = 490,
    /* Unsupported archive kind: split or spanned archive, strong encryption,
     * unknown header version. */
    TOVO_ZIP_ERR_UNSUPPORTED = 500,
    /* An entry is too large or its data exceeds its declared size, or its
     * decompressed data exceeds a sane bound (a decompression bomb: output
     * beyond the declared size, or a ratio above 1000:1 for an entry over
     * 1 MiB): stopped instead of filling the disk. */
    TOVO_ZIP_ERR_TOO_LARGE = 510
};

/* Reasons of TOVO_ZIP_MSG_SKIPPING. */
enum {
    TOVO_ZIP_SKIP_UNSAFE_NAME = 1,   /* "..", an absolute name or a drive prefix, or a local header
                                        that names another file than the central directory */
    TOVO_ZIP_SKIP_SYMLINK = 2,       /* a symbolic link stands where the entry would be written */
    TOVO_ZIP_SKIP_WRITE_FAILED = 3,  /* the entry could not be written (writing side: its file could
                                        not be read, was replaced or changed since it was found or
                                        while it was read, or a moved file was kept) */
    TOVO_ZIP_SKIP_UNSUPPORTED = 4,   /* unsupported entry (method, encryption, damaged data; writing
                                        side: not a plain file, a name taken twice, a folder loop) */
    TOVO_ZIP_SKIP_PASSWORD = 5,      /* encrypted entry, password missing or wrong */
    TOVO_ZIP_SKIP_UNVERIFIED = 6     /* repair: an entry kept without being checked (password
                                        missing, unsupported method or encryption) */
};

#ifdef __cplusplus
}
#endif
