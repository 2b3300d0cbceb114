/*
 * A stand-in for the ZIP library modules, for the engine's tests. Built twice,
 * as libzipwr.so (entry zipwr) and libziprd.so (entry ziprd).
 *
 * Each call appends to the file named by TOVO_FAKE_LOG:
 *   call ENTRY VERSION ARGC
 *   arg TEXT                      one line per element
 *   arg [sfx-record]              for the self-extractor record, then
 *   sfx FIELD=VALUE               its fields, one a line
 *   answer MESSAGE RESULT [FIELD=VALUE...]   after each callback, with what the
 *                                 engine wrote back (buffers in full)
 * then plays the messages of the file named by TOVO_FAKE_SCRIPT, one a line:
 *   MESSAGE [FIELD=VALUE...]      values percent-encoded
 *   return CODE                   the entry's result (0 otherwise)
 *   when OPTION                   the lines that follow apply only to calls whose
 *                                 vector holds OPTION, percent-encoded ("when *":
 *                                 to every call)
 *   file name=NAME (from=PATH | text=BYTES [repeat=N]) [mode=OCTAL]
 *                                 writes a file as an extraction would: NAME below
 *                                 the folder after "-d" (its last component alone
 *                                 with "-j"), holding the bytes of PATH, or BYTES
 *                                 N times; logged as "file TARGET"
 *   append path=FILE text=TEXT    appends TEXT to FILE (a file changing while
 *                                 the module works)
 * Buffers are filled with '#' before each message, so an untouched byte shows.
 * Bytes below 0x20 and the backslash are logged as \xHH.
 */
#define _POSIX_C_SOURCE 200809L

#include "engine/zipcontract.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#ifndef FAKE_ENTRY
#error "FAKE_ENTRY must name the entry"
#endif

#define MAX_FIELDS 16

typedef struct {
    char *key[MAX_FIELDS];
    char *value[MAX_FIELDS];
    int count;
} Fields;

static void put_escaped(FILE *out, const char *bytes, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = (unsigned char)bytes[i];
        if (c < 0x20 || c == '\\')
            fprintf(out, "\\x%02X", c);
        else
            fputc(c, out);
    }
}

static void put_text(FILE *out, const char *text)
{
    if (text)
        put_escaped(out, text, strlen(text));
    else
        fputs("(null)", out);
}

static int hexval(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

/* Decodes %HH in place. */
static void percent_decode(char *s)
{
    char *out = s;
    for (; *s; ++s) {
        if (s[0] == '%' && hexval(s[1]) >= 0 && hexval(s[2]) >= 0) {
            *out++ = (char)(hexval(s[1]) * 16 + hexval(s[2]));
            s += 2;
        } else {
            *out++ = *s;
        }
    }
    *out = '\0';
}

static const char *field(const Fields *f, const char *key)
{
    for (int i = 0; i < f->count; ++i)
        if (strcmp(f->key[i], key) == 0)
            return f->value[i];
    return NULL;
}

static long long num(const Fields *f, const char *key, long long fallback)
{
    const char *v = field(f, key);
    return v ? strtoll(v, NULL, 0) : fallback;
}

static char *buffer_of(size_t size)
{
    char *b = malloc(size ? size : 1);
    memset(b, '#', size ? size : 1);
    return b;
}

static void put_buffer(FILE *out, const char *key, const char *buffer, size_t size)
{
    fprintf(out, " %s=", key);
    put_escaped(out, buffer, size);
}

static void log_record(FILE *out, const TovoZipSfxSettings *r)
{
    fprintf(out, "sfx size=%s\n", r->size == sizeof(TovoZipSfxSettings) ? "ok" : "wrong");
    const char *texts[] = {r->text1, r->text2, r->text3, r->text4, r->text5, r->lines1, r->lines2};
    const char *names[] = {"text1", "text2", "text3", "text4", "text5", "lines1", "lines2"};
    for (int i = 0; i < 7; ++i) {
        fprintf(out, "sfx %s=", names[i]);
        put_text(out, texts[i]);
        fputc('\n', out);
    }
    fprintf(out, "sfx switches=%d %d %d %d %d %d\n", r->choice, r->option1, r->option2, r->passwordProtected,
            r->option3, r->option4);
    fprintf(out, "sfx show=%d %d %d %d %d\n", r->showMessage[0], r->showMessage[1], r->showMessage[2],
            r->showMessage[3], r->showMessage[4]);
    const char *const *tables[] = {r->messages, r->prompts, r->captions, r->buttons};
    const char *tableNames[] = {"messages", "prompts", "captions", "buttons"};
    const int counts[] = {TOVO_ZIP_SFX_MESSAGE_COUNT, TOVO_ZIP_SFX_PROMPT_COUNT, TOVO_ZIP_SFX_CAPTION_COUNT,
                          TOVO_ZIP_SFX_BUTTON_COUNT};
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < counts[t]; ++i) {
            fprintf(out, "sfx %s%d=", tableNames[t], i);
            put_text(out, tables[t][i]);
            fputc('\n', out);
        }
    fprintf(out, "sfx icon=");
    if (r->icon)
        put_escaped(out, (const char *)r->icon, r->iconSize);
    fputc('\n', out);
}

static TovoZipFileStatsData stats_of(const Fields *f)
{
    TovoZipFileStatsData s;
    memset(&s, 0, sizeof s);
    s.fileName = field(f, "name");
    s.size = num(f, "size", 0);
    s.compressedSize = num(f, "csize", 0);
    s.bytesDone = num(f, "done", 0);
    s.attributes = (unsigned char)num(f, "attr", 0);
    s.dosDateTime = (uint32_t)num(f, "dt", 0);
    s.extra32 = (int32_t)num(f, "x32", 0);
    s.extraByte1 = (unsigned char)num(f, "b1", 0);
    s.extraByte2 = (unsigned char)num(f, "b2", 0);
    s.extraByte3 = (unsigned char)num(f, "b3", 0);
    s.extraFlag = (unsigned char)num(f, "flag", 0);
    s.comment = field(f, "comment");
    s.commentLength = (uint16_t)num(f, "clen", s.comment ? (long long)strlen(s.comment) : 0);
    return s;
}

/* Sends one message built from f and logs the answer and what came back. */
static void play(FILE *out, int message, const Fields *f, TovoZipCallback cb, void *user)
{
    int result = 0;
    size_t size;
    char *buffer;
    switch (message) {
    case TOVO_ZIP_MSG_TESTING:
    case TOVO_ZIP_MSG_EXTRACTING:
    case TOVO_ZIP_MSG_LISTING:
    case TOVO_ZIP_MSG_STATS:
    case TOVO_ZIP_MSG_UPDATING:
    case TOVO_ZIP_MSG_ADDING:
    case TOVO_ZIP_MSG_STATUS: {
        TovoZipFileStatsData s = stats_of(f);
        result = cb(message, &s, user);
        fprintf(out, "answer %d %d", message, result);
        break;
    }
    case TOVO_ZIP_MSG_REPLACE: {
        size = (size_t)num(f, "bufsize", 64);
        buffer = buffer_of(size);
        TovoZipReplaceData d = {field(f, "name"), buffer, size, (unsigned char)num(f, "action", 0)};
        result = cb(message, &d, user);
        fprintf(out, "answer %d %d action=%d", message, result, d.action);
        put_buffer(out, "buf", buffer, size);
        free(buffer);
        break;
    }
    case TOVO_ZIP_MSG_VALUE: {
        TovoZipValueData d = {(int32_t)num(f, "value", 0)};
        result = cb(message, &d, user);
        fprintf(out, "answer %d %d", message, result);
        break;
    }
    case TOVO_ZIP_MSG_PASSWORD: {
        size = (size_t)num(f, "bufsize", TOVO_ZIP_PASSWORD_BUFFER_SIZE);
        buffer = buffer_of(size);
        TovoZipPasswordData d = {field(f, "name"), buffer, size, (unsigned char)num(f, "action", 0)};
        result = cb(message, &d, user);
        fprintf(out, "answer %d %d action=%d", message, result, d.action);
        put_buffer(out, "buf", buffer, size);
        free(buffer);
        break;
    }
    case TOVO_ZIP_MSG_NEW_DISK: {
        TovoZipNewDiskData d = {(int32_t)num(f, "disk", 0)};
        result = cb(message, &d, user);
        fprintf(out, "answer %d %d", message, result);
        break;
    }
    case TOVO_ZIP_MSG_FILE_COMMENT: {
        size = (size_t)num(f, "bufsize", TOVO_ZIP_COMMENT_BUFFER_SIZE);
        buffer = buffer_of(size);
        TovoZipFileCommentData d = {field(f, "name"), buffer, size, 0xBEEF};
        result = cb(message, &d, user);
        fprintf(out, "answer %d %d len=%d", message, result, d.commentLength);
        put_buffer(out, "buf", buffer, size);
        free(buffer);
        break;
    }
    case TOVO_ZIP_MSG_COMMENT_STORE: {
        const char *text = field(f, "text");
        TovoZipCommentStoreData d = {text, (uint16_t)num(f, "len", text ? (long long)strlen(text) : 0)};
        result = cb(message, &d, user);
        fprintf(out, "answer %d %d", message, result);
        break;
    }
    case TOVO_ZIP_MSG_COMMENT_FETCH: {
        size = (size_t)num(f, "bufsize", TOVO_ZIP_COMMENT_BUFFER_SIZE);
        buffer = buffer_of(size);
        TovoZipCommentFetchData d = {buffer, size, 0xBEEF, 0};
        result = cb(message, &d, user);
        fprintf(out, "answer %d %d len=%d filled=%d", message, result, d.length, d.filled);
        put_buffer(out, "buf", buffer, size);
        free(buffer);
        break;
    }
    case TOVO_ZIP_MSG_GLOBAL_STATUS: {
        TovoZipGlobalStatusData d = {(int32_t)num(f, "v0", 0), (int32_t)num(f, "v1", 0), (int32_t)num(f, "v2", 0),
                                     (int32_t)num(f, "v3", 0), (unsigned char)num(f, "b0", 0),
                                     (unsigned char)num(f, "b1", 0)};
        result = cb(message, &d, user);
        fprintf(out, "answer %d %d", message, result);
        break;
    }
    case TOVO_ZIP_MSG_RENAME: {
        size = (size_t)num(f, "bufsize", 64);
        buffer = buffer_of(size);
        TovoZipRenameData d = {field(f, "name"), buffer, size};
        result = cb(message, &d, user);
        fprintf(out, "answer %d %d", message, result);
        put_buffer(out, "buf", buffer, size);
        free(buffer);
        break;
    }
    case TOVO_ZIP_MSG_DELETING:
    case TOVO_ZIP_MSG_FIXING:
        result = cb(message, (void *)field(f, "name"), user);
        fprintf(out, "answer %d %d", message, result);
        break;
    case TOVO_ZIP_MSG_SKIPPING: {
        TovoZipSkippingData d = {field(f, "name"), (unsigned char)num(f, "reason", 0)};
        result = cb(message, &d, user);
        fprintf(out, "answer %d %d", message, result);
        break;
    }
    default:
        result = cb(message, NULL, user);
        fprintf(out, "answer %d %d", message, result);
        break;
    }
    fputc('\n', out);
    fflush(out);
}

static int has_arg(int argc, char **argv, const char *option)
{
    if (strcmp(option, "*") == 0)
        return 1;
    for (int i = 0; i < argc; ++i) {
        if (strcmp(argv[i], option) == 0)
            return 1;
    }
    return 0;
}

static const char *arg_after(int argc, char **argv, const char *option)
{
    for (int i = 0; i + 1 < argc; ++i) {
        if (strcmp(argv[i], option) == 0)
            return argv[i + 1];
    }
    return NULL;
}

/* The "file" line: what an extraction of NAME would leave on disk. */
static void write_file(FILE *out, int argc, char **argv, const Fields *f)
{
    const char *name = field(f, "name");
    if (!name)
        return;
    if (has_arg(argc, argv, "-j") && strrchr(name, '/'))
        name = strrchr(name, '/') + 1;
    const char *folder = arg_after(argc, argv, "-d");
    char target[4096];
    snprintf(target, sizeof target, "%s/%s", folder ? folder : ".", name);
    FILE *file = fopen(target, "wb");
    if (!file)
        return;
    const char *from = field(f, "from");
    if (from) {
        FILE *source = fopen(from, "rb");
        char block[65536];
        size_t n;
        while (source && (n = fread(block, 1, sizeof block, source)) > 0)
            fwrite(block, 1, n, file);
        if (source)
            fclose(source);
    } else {
        const char *text = field(f, "text");
        for (long long i = num(f, "repeat", 1); text && i > 0; --i)
            fputs(text, file);
    }
    fclose(file);
    if (field(f, "mode"))
        chmod(target, (mode_t)strtol(field(f, "mode"), NULL, 8));
    fprintf(out, "file %s\n", target);
    fflush(out);
}

static int run_script(FILE *out, int argc, char **argv, TovoZipCallback cb, void *user)
{
    int active = 1;
    const char *path = getenv("TOVO_FAKE_SCRIPT");
    FILE *script = path ? fopen(path, "r") : NULL;
    if (!script)
        return 0;
    int code = 0;
    char *line = NULL;
    size_t capacity = 0;
    while (getline(&line, &capacity, script) > 0) {
        line[strcspn(line, "\r\n")] = '\0';
        Fields f;
        f.count = 0;
        char *save = NULL;
        char *head = strtok_r(line, " ", &save);
        if (!head)
            continue;
        if (strcmp(head, "when") == 0) {
            char *option = strtok_r(NULL, " ", &save);
            if (option)
                percent_decode(option);
            active = option && has_arg(argc, argv, option);
            continue;
        }
        if (!active)
            continue;
        if (strcmp(head, "return") == 0) {
            char *value = strtok_r(NULL, " ", &save);
            code = value ? atoi(value) : 0;
            continue;
        }
        for (char *tok = strtok_r(NULL, " ", &save); tok && f.count < MAX_FIELDS; tok = strtok_r(NULL, " ", &save)) {
            char *eq = strchr(tok, '=');
            if (!eq)
                continue;
            *eq = '\0';
            percent_decode(eq + 1);
            f.key[f.count] = tok;
            f.value[f.count] = eq + 1;
            ++f.count;
        }
        if (strcmp(head, "file") == 0) {
            write_file(out, argc, argv, &f);
        } else if (strcmp(head, "append") == 0) {
            const char *target = field(&f, "path");
            FILE *changed = target ? fopen(target, "a") : NULL;
            if (changed) {
                fputs(field(&f, "text") ? field(&f, "text") : "", changed);
                fclose(changed);
            }
        } else {
            play(out, atoi(head), &f, cb, user);
        }
    }
    free(line);
    fclose(script);
    return code;
}

#define STR2(x) #x
#define STR(x) STR2(x)

__attribute__((visibility("default"))) int FAKE_ENTRY(int version, int argc, char **argv, TovoZipCallback cb,
                                                      void *user)
{
    const char *path = getenv("TOVO_FAKE_LOG");
    FILE *out = path ? fopen(path, "a") : NULL;
    if (!out)
        return 250;
    fprintf(out, "call %s %d %d%s\n", STR(FAKE_ENTRY), version, argc, argv[argc] ? " unterminated" : "");
    for (int i = 0; i < argc; ++i) {
        if (strcmp(argv[i], TOVO_ZIP_SFX_MAGIC) == 0) {
            fputs("arg [sfx-record]\n", out);
            log_record(out, (const TovoZipSfxSettings *)(void *)argv[i]);
            continue;
        }
        fputs("arg ", out);
        put_text(out, argv[i]);
        fputc('\n', out);
    }
    fflush(out);
    int code = run_script(out, argc, argv, cb, user);
    fclose(out);
    return code;
}
