/* Runs profile-file calls under Wine for the differential test of the INI rules. Reads one call a
   line from the file named first, writes one answer a line to the file named second. Fields are
   separated by tabs; every string is hex so that any byte survives.
     R file section key default size  ->  count<TAB>value
     W file section key value         ->  result */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static char* unhex(const char* s, size_t n) {
    char* out = malloc(n / 2 + 1);
    for (size_t i = 0; i < n / 2; ++i) {
        unsigned v = 0;
        sscanf(s + 2 * i, "%2x", &v);
        out[i] = (char)v;
    }
    out[n / 2] = 0;
    return out;
}

static void puthex(FILE* f, const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) fprintf(f, "%02x", (unsigned char)s[i]);
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    FILE* in = fopen(argv[1], "rb");
    FILE* out = fopen(argv[2], "wb");
    if (!in || !out) return 2;
    static char line[1 << 16];
    while (fgets(line, sizeof line, in)) {
        char* field[6] = {0};
        int n = 0;
        line[strcspn(line, "\r\n")] = 0;
        for (char* p = line; p && n < 6;) {  /* empty fields count: an empty string is one */
            field[n++] = p;
            p = strchr(p, '\t');
            if (p) *p++ = 0;
        }
        if (n < 1 || !field[0][0]) continue;
        char* arg[5] = {0};
        for (int i = 1; i < n; ++i) arg[i - 1] = unhex(field[i], strlen(field[i]));
        if (field[0][0] == 'R' && n == 6) {
            DWORD size = (DWORD)strtoul(arg[4], NULL, 10);
            char* buf = calloc(size + 1, 1);
            DWORD got = GetPrivateProfileStringA(arg[1], arg[2], arg[3], buf, size, arg[0]);
            fprintf(out, "%lu\t", (unsigned long)got);
            puthex(out, buf, strlen(buf));
            fputc('\n', out);
            free(buf);
        } else if (field[0][0] == 'W' && n == 5) {
            fprintf(out, "%d\n", WritePrivateProfileStringA(arg[1], arg[2], arg[3], arg[0]) ? 1 : 0);
        } else {
            fprintf(out, "?\n");
        }
        for (int i = 0; i < 5; ++i) free(arg[i]);
    }
    fclose(out);
    return 0;
}
