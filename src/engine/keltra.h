// The interpreter object: holds all run-time state of one program run and
// owns every statement handler. Handlers are member operations; each file
// of a subsystem implements its own and binds them into the handler table
// in its Bind* function.
#pragma once
#include <cstdint>
#include <cstdio>
#include "engine/errors.h"
#include "engine/text.h"
#include "data/variable.h"
#include "eval/statement.h"
#include "eval/value.h"

struct Keltra;
typedef StatementRecord* (Keltra::*Handler)(StatementRecord*);

enum { HANDLER_COUNT = 250, CONSTANT_COUNT = 498, CONTROL_STACK_SIZE = 4096,
       OUTPUT_BUFFER_SIZE = 65535 };

// Control-stack frame markers.
enum { MARK_CALL = 90000, MARK_SELECT = 90001, MARK_REPEAT = 90002, MARK_WHILE = 90003 };

// State a subsystem keeps beyond the fields below. Created on first use by
// the subsystem (Keltra::Ext), reset by Keltra::Reset, deleted with the object.
struct SubsystemState {
    virtual ~SubsystemState() {}
    virtual void Reset() {}
    // Called by Finish when a run ends with an error, before the report is
    // shown: the window parts close their windows here.
    virtual void BeforeErrorReport() {}
};
enum ExtSlot { EXT_EVAL, EXT_DATA, EXT_FLOW, EXT_DLL, EXT_CONSOLE, EXT_STRINGS,
               EXT_FILES, EXT_SYSTEM, EXT_UI, EXT_DIALOGS, EXT_LINES, EXT_COUNT };

// User-type definition record.
struct TypeDef {
    char typeName[32];
    int32_t firstLine;
    int32_t lastLine;
    int32_t pack;
    TypeDef* prev;
    TypeDef* next;
};

struct Keltra {
    Keltra();
    virtual ~Keltra();
    virtual void Finish();
    virtual void Start() {}
    int Prepare();
    int Run();
    void Reset();

    // ---- fields -----------------------------------------------------------
    GrowText programDir;
    int32_t constants[CONSTANT_COUNT];
    int32_t prepared = 0;
    int32_t textResult = 0;
    int32_t consoleOpen = 0;
    int32_t autoDeclare = 1;
    int32_t decimalPrec = 2;

    Variable* sysString = nullptr;   // SYSTEM_STRING0
    Variable* sysInt = nullptr;      // SYSTEM_INT0
    Variable* sysFloat = nullptr;    // SYSTEM_FLOAT0
    Variable* sysDouble = nullptr;   // SYSTEM_DOUBLE0
    Variable* sysPointer = nullptr;  // SYSTEM_POINTER0
    Variable* sysInt64 = nullptr;    // SYSTEM_INT64

    Variable stdoutVar;              // SYSTEM_STDOUT0, head of the main list
    Variable stdinVar;               // SYSTEM_STDIN0
    Variable decimalVar;             // DECIMAL_PREC; the current chain follows it
    FILE* stdoutCell = nullptr;      // storage of SYSTEM_STDOUT0
    FILE* stdinCell = nullptr;       // storage of SYSTEM_STDIN0

    TypeDef* typeDefs = nullptr;     // user-type definition list
    char* outputBuffer = nullptr;    // 65,535 bytes
    PtrList scopeList{10};           // saved variable chains, globals first
    NamedValueList namedValues;
    PtrList windowList{10};

    char* image = nullptr;           // program image, not owned
    uint32_t imageSize = 0;
    uint16_t* lineNumbers = nullptr;
    uint32_t lineCount = 0;
    uint32_t currentLine = 0;
    char** lines = nullptr;

    unsigned char error = 0;
    uint64_t runLimit = 0;           // lines a run may execute; 0 = no bound (set by the fuzzing build)
    uint64_t linesRun = 0;
    StatementRecord* recA = nullptr;
    StatementRecord* recB = nullptr;
    int32_t* controlStack = nullptr;
    int32_t controlTop = 0;
    // Native stack that nested subroutine calls may take, counted from the
    // outermost call; beyond it a call fails with error 34. The entries run
    // the interpreter on a 256 MB thread; a harness on a smaller stack (the
    // main thread of a test or fuzz target) lowers it.
    size_t callStackBudget = (size_t)160 << 20;

    GrowText windowClass1, windowClass2;
    Handler handlers[HANDLER_COUNT];
    SubsystemState* ext[EXT_COUNT] = {};

    template <class T> T& Ext(ExtSlot slot) {
        if (!ext[slot]) ext[slot] = new T;
        return *static_cast<T*>(ext[slot]);
    }
    StatementRecord* Fail(unsigned char code) { error = code; return nullptr; }

    // ---- program image and run loop (engine/) ------------------------------
    int BuildLineTable();
    int LabelPrePass();
    // Runs the line at currentLine into rec: skips a blanked line, decodes,
    // clears the error code and calls the handler. Does not advance the index.
    // Returns 0 when the handler returned null or the error code is set.
    // The main loop and the nested loop of subroutine calls both use it.
    int RunLine(StatementRecord* rec);
    StatementRecord* Dispatch(StatementRecord* rec);                // calls handlers[rec->code]

    // ---- decoding (eval/) -------------------------------------------------
    int DecodeLine(StatementRecord* rec, char* line);
    StatementRecord* NewStatementRecord(int n);
    static void FreeStatementRecord(StatementRecord* rec);

    // ---- values and expressions (eval/) ------------------------------------
    ValueRecord* EvaluateArgument(ValueRecord* out, StatementRecord* rec, int index, int expectedType);
    double EvaluateExpression(const char* text);
    Variable* ResultVariable(int resultType);   // system variable for a result type, null for 99
    void SetResultText(StatementRecord* rec, const char* text);
    void SetResultInt(StatementRecord* rec, int32_t v);
    void SetResultDouble(StatementRecord* rec, double v);
    void SetResultFloat(StatementRecord* rec, float v);
    void SetResultInt64(StatementRecord* rec, int64_t v, int type = T_INT64);
    void SetResultPointer(StatementRecord* rec, void* p);

    // ---- variable store (data/) ------------------------------------------
    Variable* CreateVariable(char* name, int type, uint32_t count, Variable* list);
    Variable* FindVariable(char* name, Variable* list, int allowCall);
    void ReleaseVariables(Variable* first, int stopAtParam);
    Variable* DeleteVariable(char* name, Variable* record);
    Variable* CurrentChain() { return decimalVar.next; }
    void LinkStaticRecords();

    // ---- library functions (flow/): the library form of CmdDeclare -----------
    StatementRecord* DeclareLibraryFunction(StatementRecord* rec);

    // ---- handler binding: each subsystem fills its slots --------------------
    void BindHandlers();        // engine: all slots, then the Bind* below
    void BindEval();
    void BindData();
    void BindFlow();
    void BindDll();
    void BindConsole();
    void BindStrings();
    void BindMath();
    void BindFiles();
    void BindMemory();
    void BindSystem();
    void BindWindows();         // ui/ and dialogs/ (Windows build only)

    // ---- handlers ------------------------------------------------------------
    StatementRecord* CmdNoOperation(StatementRecord* rec);
    StatementRecord* CmdUnavailable(StatementRecord* rec);   // slot not built / not on this platform
    StatementRecord* CmdAbsolute(StatementRecord* rec);
    StatementRecord* CmdAddControls(StatementRecord* rec);
    StatementRecord* CmdAddItem(StatementRecord* rec);
    StatementRecord* CmdAddMenuItem(StatementRecord* rec);
    StatementRecord* CmdAllocVariable(StatementRecord* rec);
    StatementRecord* CmdArcCos(StatementRecord* rec);
    StatementRecord* CmdArcSin(StatementRecord* rec);
    StatementRecord* CmdArcTan(StatementRecord* rec);
    StatementRecord* CmdAssign(StatementRecord* rec);
    StatementRecord* CmdAutoDeclare(StatementRecord* rec);
    StatementRecord* CmdBitNot(StatementRecord* rec);
    StatementRecord* CmdBrowserCommand(StatementRecord* rec);
    StatementRecord* CmdCallDll(StatementRecord* rec);
    StatementRecord* CmdCallSub(StatementRecord* rec);
    StatementRecord* CmdCaseEnd(StatementRecord* rec);
    StatementRecord* CmdCeil(StatementRecord* rec);
    StatementRecord* CmdCenterWindow(StatementRecord* rec);
    StatementRecord* CmdCharCode(StatementRecord* rec);
    StatementRecord* CmdCheckMenuItem(StatementRecord* rec);
    StatementRecord* CmdChooseColor(StatementRecord* rec);
    StatementRecord* CmdChooseFont(StatementRecord* rec);
    StatementRecord* CmdClearConsole(StatementRecord* rec);
    StatementRecord* CmdClearWindow(StatementRecord* rec);
    StatementRecord* CmdCloseConsole(StatementRecord* rec);
    StatementRecord* CmdCloseDialog(StatementRecord* rec);
    StatementRecord* CmdCloseFile(StatementRecord* rec);
    StatementRecord* CmdClosePrinterJob(StatementRecord* rec);
    StatementRecord* CmdCloseWindow(StatementRecord* rec);
    StatementRecord* CmdCodeToChar(StatementRecord* rec);
    StatementRecord* CmdConcat(StatementRecord* rec);
    StatementRecord* CmdConst(StatementRecord* rec);
    StatementRecord* CmdControlCommand(StatementRecord* rec);
    StatementRecord* CmdControlExists(StatementRecord* rec);
    StatementRecord* CmdCopyFile(StatementRecord* rec);
    StatementRecord* CmdCos(StatementRecord* rec);
    StatementRecord* CmdCosh(StatementRecord* rec);
    StatementRecord* CmdCreateDialog(StatementRecord* rec);
    StatementRecord* CmdCreateToolbar(StatementRecord* rec);
    StatementRecord* CmdDate(StatementRecord* rec);
    StatementRecord* CmdDeclare(StatementRecord* rec);
    StatementRecord* CmdDeclareVars(StatementRecord* rec);
    StatementRecord* CmdDefaultPrinter(StatementRecord* rec);
    StatementRecord* CmdDefineLabel(StatementRecord* rec);
    StatementRecord* CmdDefineType(StatementRecord* rec);
    StatementRecord* CmdDeleteFile(StatementRecord* rec);
    StatementRecord* CmdDeleteItem(StatementRecord* rec);
    StatementRecord* CmdDeleteVars(StatementRecord* rec);
    StatementRecord* CmdDrawCircle(StatementRecord* rec);
    StatementRecord* CmdDrawEllipse(StatementRecord* rec);
    StatementRecord* CmdDrawLine(StatementRecord* rec);
    StatementRecord* CmdDrawRect(StatementRecord* rec);
    StatementRecord* CmdElse(StatementRecord* rec);
    StatementRecord* CmdEnableControl(StatementRecord* rec);
    StatementRecord* CmdEnableMenu(StatementRecord* rec);
    StatementRecord* CmdEnableMenuItem(StatementRecord* rec);
    StatementRecord* CmdEnd(StatementRecord* rec);
    StatementRecord* CmdEndOfFile(StatementRecord* rec);
    StatementRecord* CmdEndSelect(StatementRecord* rec);
    StatementRecord* CmdExp(StatementRecord* rec);
    StatementRecord* CmdFileDialog(StatementRecord* rec);
    StatementRecord* CmdFilePosition(StatementRecord* rec);
    StatementRecord* CmdFindClose(StatementRecord* rec);
    StatementRecord* CmdFindNext(StatementRecord* rec);
    StatementRecord* CmdFindOpen(StatementRecord* rec);
    StatementRecord* CmdFindText(StatementRecord* rec);
    StatementRecord* CmdFloodFill(StatementRecord* rec);
    StatementRecord* CmdFloor(StatementRecord* rec);
    StatementRecord* CmdForNext(StatementRecord* rec);
    StatementRecord* CmdForStart(StatementRecord* rec);
    StatementRecord* CmdFormatNumbers(StatementRecord* rec);
    StatementRecord* CmdFreeImage(StatementRecord* rec);
    StatementRecord* CmdFreeLibrary(StatementRecord* rec);
    StatementRecord* CmdFreeMemory(StatementRecord* rec);
    StatementRecord* CmdFreeVariable(StatementRecord* rec);
    StatementRecord* CmdGetBitmapSize(StatementRecord* rec);
    StatementRecord* CmdGetCaption(StatementRecord* rec);
    StatementRecord* CmdGetCaretPos(StatementRecord* rec);
    StatementRecord* CmdGetCheck(StatementRecord* rec);
    StatementRecord* CmdGetClientRect(StatementRecord* rec);
    StatementRecord* CmdGetControlText(StatementRecord* rec);
    StatementRecord* CmdGetDrawContext(StatementRecord* rec);
    StatementRecord* CmdGetDrawPosition(StatementRecord* rec);
    StatementRecord* CmdGetItemCount(StatementRecord* rec);
    StatementRecord* CmdGetItemText(StatementRecord* rec);
    StatementRecord* CmdGetPixel(StatementRecord* rec);
    StatementRecord* CmdGetScreenSize(StatementRecord* rec);
    StatementRecord* CmdGetScrollPos(StatementRecord* rec);
    StatementRecord* CmdGetScrollRange(StatementRecord* rec);
    StatementRecord* CmdGetSelection(StatementRecord* rec);
    StatementRecord* CmdGetWindowData(StatementRecord* rec);
    StatementRecord* CmdGetWindowRect(StatementRecord* rec);
    StatementRecord* CmdHexText(StatementRecord* rec);
    StatementRecord* CmdIf(StatementRecord* rec);
    StatementRecord* CmdInput(StatementRecord* rec);
    StatementRecord* CmdInsertItem(StatementRecord* rec);
    StatementRecord* CmdInsertMenus(StatementRecord* rec);
    StatementRecord* CmdIsIndexed(StatementRecord* rec);
    StatementRecord* CmdIsItemSelected(StatementRecord* rec);
    StatementRecord* CmdJump(StatementRecord* rec);
    StatementRecord* CmdKeyState(StatementRecord* rec);
    StatementRecord* CmdLeftPart(StatementRecord* rec);
    StatementRecord* CmdLoadImage(StatementRecord* rec);
    StatementRecord* CmdLoadMenu(StatementRecord* rec);
    StatementRecord* CmdLoadResource(StatementRecord* rec);
    StatementRecord* CmdLog(StatementRecord* rec);
    StatementRecord* CmdLog10(StatementRecord* rec);
    StatementRecord* CmdLowerCase(StatementRecord* rec);
    StatementRecord* CmdMakeColor(StatementRecord* rec);
    StatementRecord* CmdMakeDir(StatementRecord* rec);
    StatementRecord* CmdMessageBox(StatementRecord* rec);
    StatementRecord* CmdMoveTo(StatementRecord* rec);
    StatementRecord* CmdMoveWindow(StatementRecord* rec);
    StatementRecord* CmdNumberToText(StatementRecord* rec);
    StatementRecord* CmdOpenConsole(StatementRecord* rec);
    StatementRecord* CmdOpenFile(StatementRecord* rec);
    StatementRecord* CmdOpenPrinterJob(StatementRecord* rec);
    StatementRecord* CmdOpenWindow(StatementRecord* rec);
    StatementRecord* CmdOverwriteText(StatementRecord* rec);
    StatementRecord* CmdPlaySound(StatementRecord* rec);
    StatementRecord* CmdPointerTargetType(StatementRecord* rec);
    StatementRecord* CmdPopupMenu(StatementRecord* rec);
    StatementRecord* CmdPrint(StatementRecord* rec);
    StatementRecord* CmdPrintDialog(StatementRecord* rec);
    StatementRecord* CmdPrintWindow(StatementRecord* rec);
    StatementRecord* CmdPrinterNewPage(StatementRecord* rec);
    StatementRecord* CmdPrinterWrite(StatementRecord* rec);
    StatementRecord* CmdProgramDir(StatementRecord* rec);
    StatementRecord* CmdRandom(StatementRecord* rec);
    StatementRecord* CmdReadFile(StatementRecord* rec);
    StatementRecord* CmdReadKey(StatementRecord* rec);
    StatementRecord* CmdReadMemory(StatementRecord* rec);
    StatementRecord* CmdReadRecord(StatementRecord* rec);
    StatementRecord* CmdReleaseDrawContext(StatementRecord* rec);
    StatementRecord* CmdRemoveDir(StatementRecord* rec);
    StatementRecord* CmdRemoveMenuItem(StatementRecord* rec);
    StatementRecord* CmdRepeat(StatementRecord* rec);
    StatementRecord* CmdRepeatChar(StatementRecord* rec);
    StatementRecord* CmdReservedZero(StatementRecord* rec);
    StatementRecord* CmdResizeMemory(StatementRecord* rec);
    StatementRecord* CmdReturn(StatementRecord* rec);
    StatementRecord* CmdRightPart(StatementRecord* rec);
    StatementRecord* CmdRunDialog(StatementRecord* rec);
    StatementRecord* CmdSecondsToday(StatementRecord* rec);
    StatementRecord* CmdSelect(StatementRecord* rec);
    StatementRecord* CmdSelectItem(StatementRecord* rec);
    StatementRecord* CmdSendMessage(StatementRecord* rec);
    StatementRecord* CmdSetBackColor(StatementRecord* rec);
    StatementRecord* CmdSetBackMode(StatementRecord* rec);
    StatementRecord* CmdSetCaption(StatementRecord* rec);
    StatementRecord* CmdSetCheck(StatementRecord* rec);
    StatementRecord* CmdSetColumnWidth(StatementRecord* rec);
    StatementRecord* CmdSetConsoleColor(StatementRecord* rec);
    StatementRecord* CmdSetConsoleCursor(StatementRecord* rec);
    StatementRecord* CmdSetControlColors(StatementRecord* rec);
    StatementRecord* CmdSetControlText(StatementRecord* rec);
    StatementRecord* CmdSetCursor(StatementRecord* rec);
    StatementRecord* CmdSetDecimals(StatementRecord* rec);
    StatementRecord* CmdSetDialogKeys(StatementRecord* rec);
    StatementRecord* CmdSetDrawMode(StatementRecord* rec);
    StatementRecord* CmdSetFocus(StatementRecord* rec);
    StatementRecord* CmdSetFont(StatementRecord* rec);
    StatementRecord* CmdSetHorizontalExtent(StatementRecord* rec);
    StatementRecord* CmdSetIcon(StatementRecord* rec);
    StatementRecord* CmdSetLineStyle(StatementRecord* rec);
    StatementRecord* CmdSetMenuBar(StatementRecord* rec);
    StatementRecord* CmdSetNamedValue(StatementRecord* rec);
    StatementRecord* CmdSetOutputWindow(StatementRecord* rec);
    StatementRecord* CmdSetPenColor(StatementRecord* rec);
    StatementRecord* CmdSetPixel(StatementRecord* rec);
    StatementRecord* CmdSetScrollPos(StatementRecord* rec);
    StatementRecord* CmdSetScrollRange(StatementRecord* rec);
    StatementRecord* CmdSetWindowData(StatementRecord* rec);
    StatementRecord* CmdShellOpen(StatementRecord* rec);
    StatementRecord* CmdShowDialog(StatementRecord* rec);
    StatementRecord* CmdShowImage(StatementRecord* rec);
    StatementRecord* CmdShowWindow(StatementRecord* rec);
    StatementRecord* CmdSign(StatementRecord* rec);
    StatementRecord* CmdSin(StatementRecord* rec);
    StatementRecord* CmdSinh(StatementRecord* rec);
    StatementRecord* CmdSizeOf(StatementRecord* rec);
    StatementRecord* CmdSpaces(StatementRecord* rec);
    StatementRecord* CmdSqrt(StatementRecord* rec);
    StatementRecord* CmdStartTimer(StatementRecord* rec);
    StatementRecord* CmdStopTimer(StatementRecord* rec);
    StatementRecord* CmdSubstring(StatementRecord* rec);
    StatementRecord* CmdTan(StatementRecord* rec);
    StatementRecord* CmdTanh(StatementRecord* rec);
    StatementRecord* CmdTextExtent(StatementRecord* rec);
    StatementRecord* CmdTextToDouble(StatementRecord* rec);
    StatementRecord* CmdTime(StatementRecord* rec);
    StatementRecord* CmdTrimLeft(StatementRecord* rec);
    StatementRecord* CmdTrimRight(StatementRecord* rec);
    StatementRecord* CmdTruncate(StatementRecord* rec);
    StatementRecord* CmdUntil(StatementRecord* rec);
    StatementRecord* CmdUpperCase(StatementRecord* rec);
    StatementRecord* CmdWaitEvent(StatementRecord* rec);
    StatementRecord* CmdWaitUntil(StatementRecord* rec);
    StatementRecord* CmdWhile(StatementRecord* rec);
    StatementRecord* CmdWhileEnd(StatementRecord* rec);
    StatementRecord* CmdWriteFile(StatementRecord* rec);
    StatementRecord* CmdWriteMemory(StatementRecord* rec);
    StatementRecord* CmdWriteRecord(StatementRecord* rec);
};
