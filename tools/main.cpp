// keltra: the front end. Builds readable source or token text into a
// standalone executable, runs it, and dumps executables back to source.
#include "engine/image_key.h"
#include "linux_exe.h"
#include "pe_resources.h"
#include "source.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char kUsage[] =
    "usage:\n"
    "  keltra build [options] SOURCE -o OUTPUT    build a source file into an executable\n"
    "  keltra build --tokens TOKENS -o OUTPUT     bind a token text unchanged\n"
    "  keltra run [options] [--tokens] INPUT      build into a temporary file and run it\n"
    "  keltra tokens SOURCE -o OUTPUT             write the (unscrambled) token text\n"
    "  keltra dump EXECUTABLE|TOKENS              print the program as readable source\n"
    "  keltra reference                           print the language reference (Markdown)\n"
    "options:\n"
    "  --resource KIND,NAME,FILE   add a resource; KIND is bitmap, icon, cursor, rtimage,\n"
    "                              rcdata, a type number or a type name; NAME a number or text\n"
    "  --engine PATH               the engine to copy (default: keltra-rt beside keltra)\n"
    "  --target linux|windows      the kind of executable (default: linux)\n";

struct Options {
    std::string command, input, output, engine, target = "linux";
    bool tokens = false;
    std::vector<PeResourceArg> resources;
};

int Usage(const char* why) {
    if (why) fprintf(stderr, "keltra: %s\n", why);
    fputs(kUsage, stderr);
    return 2;
}

bool ReadWholeFile(const std::string& path, std::string* out) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    out->clear();
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out->append(buf, n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return (fclose(f) == 0) && ok;
}

bool ParseResource(const std::string& text, PeResourceArg* arg) {
    size_t a = text.find(','), b = a == std::string::npos ? a : text.find(',', a + 1);
    if (b == std::string::npos) return false;
    arg->kind = text.substr(0, a);
    arg->name = text.substr(a + 1, b - a - 1);
    arg->file = text.substr(b + 1);
    return !arg->kind.empty() && !arg->name.empty() && !arg->file.empty();
}

// Returns 0 when the arguments are usable, else the usage exit status.
int ParseOptions(int argc, char** argv, Options* o) {
    if (argc < 2) return Usage(nullptr);
    o->command = argv[1];
    for (int i = 2; i < argc; i++) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--tokens") o->tokens = true;
        else if (a == "-o" && hasValue) o->output = argv[++i];
        else if (a == "--engine" && hasValue) o->engine = argv[++i];
        else if (a == "--target" && hasValue) o->target = argv[++i];
        else if (a == "--resource" && hasValue) {
            PeResourceArg r;
            if (!ParseResource(argv[++i], &r)) return Usage("--resource wants KIND,NAME,FILE");
            o->resources.push_back(r);
        } else if (a.size() > 1 && a[0] == '-') return Usage(("unknown option " + a).c_str());
        else if (o->input.empty()) o->input = a;
        else return Usage("more than one input file");
    }
    if (o->target != "linux" && o->target != "windows") return Usage("unknown target");
    return 0;
}

// The token text of the input: tokenised source, or a token file as is.
bool LoadTokens(const Options& o, std::string* tokens) {
    std::string text;
    if (!ReadWholeFile(o.input, &text)) {
        fprintf(stderr, "keltra: cannot read %s\n", o.input.c_str());
        return false;
    }
    if (o.tokens) {
        *tokens = text;
        return true;
    }
    std::vector<SourceError> errors;
    if (TokeniseSource(text, tokens, &errors)) return true;
    for (const SourceError& e : errors)
        fprintf(stderr, "%s:%d:%d: error: %s\n", o.input.c_str(), e.line, e.column,
                e.message.c_str());
    return false;
}

std::string DefaultEngine() {
    if (const char* env = getenv("KELTRA_RT")) return env;
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "keltra-rt";
    self[n] = 0;
    std::string dir(self);
    return dir.substr(0, dir.rfind('/') + 1) + "keltra-rt";
}

bool BuildExecutable(const Options& o, const std::string& output) {
    std::string tokens;
    if (!LoadTokens(o, &tokens)) return false;
    std::vector<uint8_t> image(tokens.begin(), tokens.end());
    ScrambleImage(image.data(), image.size());
    std::string err;
    bool ok;
    if (o.target == "windows") {
        ok = BuildWindowsExecutable(o.engine, output, image, o.resources, &err);
    } else {
        std::vector<PeResource> resources;
        uint32_t nextImageId = 1;
        ok = true;
        for (const PeResourceArg& r : o.resources)
            if (!PeExpandResource(r, &nextImageId, &resources, &err)) { ok = false; break; }
        if (ok) ok = BuildLinuxExecutable(o.engine.empty() ? DefaultEngine() : o.engine,
                                          output, image, resources, &err);
    }
    if (!ok) fprintf(stderr, "keltra: %s\n", err.c_str());
    return ok;
}

int RunProgram(const Options& o) {
    const char* dir = getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/keltra-run-XXXXXX";
    std::vector<char> name(path.begin(), path.end());
    name.push_back(0);
    int fd = mkstemp(name.data());
    if (fd < 0) {
        fprintf(stderr, "keltra: cannot create a temporary file\n");
        return 1;
    }
    close(fd);
    std::string exe = name.data();
    if (!BuildExecutable(o, exe)) {
        unlink(exe.c_str());
        return 1;
    }
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        char* args[] = {&name[0], nullptr};
        execv(exe.c_str(), args);
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0) status = 127 << 8;
    unlink(exe.c_str());
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

int Dump(const Options& o) {
    std::vector<uint8_t> scrambled;
    std::string tokens;
    if (ReadLinuxImage(o.input, &scrambled)) {
        UnscrambleImage(scrambled.data(), scrambled.size());
        tokens.assign(scrambled.begin(), scrambled.end());
    } else if (!ReadWholeFile(o.input, &tokens)) {
        fprintf(stderr, "keltra: cannot read %s\n", o.input.c_str());
        return 1;
    }
    std::string source = DumpTokens(tokens);
    fwrite(source.data(), 1, source.size(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (int rc = ParseOptions(argc, argv, &o)) return rc;
    if (o.command == "reference") {
        fputs(LanguageReference().c_str(), stdout);
        return 0;
    }
    if (o.input.empty()) return Usage("no input file");
    if (o.command == "build") {
        if (o.output.empty()) return Usage("build wants -o OUTPUT");
        return BuildExecutable(o, o.output) ? 0 : 1;
    }
    if (o.command == "run") return RunProgram(o);
    if (o.command == "tokens") {
        if (o.output.empty()) return Usage("tokens wants -o OUTPUT");
        std::string tokens;
        if (!LoadTokens(o, &tokens)) return 1;
        if (!WriteWholeFile(o.output, tokens)) {
            fprintf(stderr, "keltra: cannot write %s\n", o.output.c_str());
            return 1;
        }
        return 0;
    }
    if (o.command == "dump") return Dump(o);
    return Usage(("unknown command " + o.command).c_str());
}
