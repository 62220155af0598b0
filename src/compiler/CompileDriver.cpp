// The compile driver and the link procedure. The order of the final code is
// the main module, then the units in the order they were taken from the
// pending list (last in, first out); every entry and jump is relocated to it.
#include "compiler/CompileDriver.h"

#include "compiler/CompileLog.h"
#include "compiler/FormRecord.h"
#include "compiler/ModuleCompiler.h"
#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "frontend/Tokens.h"
#include "pcode/CallBinding.h"
#include "pcode/CodeVerifier.h"
#include "pcode/Optimizer.h"

#include <unordered_map>
#include <utility>

namespace zk {

namespace {

// Replaces a position in the preprocessed text by the file and offset it came
// from, and remembers where that file lies.
void Locate(const TSource& source, TError& error, TErrorPlace* place) {
    const TSourcePosition position = source.ResolvePosition(error.Offset);
    error.Offset = position.Offset;
    error.FileName = position.FileName;
    if (place) place->Path = position.FilePath;
}

void LocateAndLog(const TSource& source, TError& error, TErrorPlace* place) {
    Locate(source, error, place);
    CompileLog.push_back(FormatError(error));
}

// Declarations stand before every function, so a faulty one always leaves the
// module without functions; its own message says more than "no function".
bool IsDeclarationError(int32_t number) {
    return number == kErrorBadExport || number == kErrorBadDefOp || number == kErrorBadUses;
}

// With `forms`, the module's form map is made too; its main file's lines come
// from the text as it was read, before preprocessing changes it.
bool CompileSourceAt(TSource& source, TPCode& code, TError& error, TErrorPlace* place,
                     TFormMap* forms) {
    const std::string mainText = forms ? source.Data() : std::string();
    AddLogLine("Начата обработка препроцессором...");
    TError preprocessError;
    source.Preprocess(preprocessError);
    if (preprocessError.Number != 0) {
        error.Number = preprocessError.Number;
        error.Offset = preprocessError.Offset;
        LocateAndLog(source, error, place);
        return false;
    }
    AddLogLine("Работа препроцессора успешно завершена. Длина файла в байтах: ",
               std::to_string(source.Size()));

    TTokArr tokens;
    AddLogLine("Начат лексический анализ");
    const int32_t badByte = Tokenize(source, tokens);
    if (badByte != -1) {
        error.Number = kErrorBadByte;
        error.Offset = badByte;
        LocateAndLog(source, error, place);
        return false;
    }
    AddLogLine("Лексический анализ произведён успешно, количество лексем: ",
               std::to_string(tokens.Count()));

    AddLogLine("Начата генерация p-кода");
    TFormRecord record;
    CompileModule(tokens, code, error, forms ? &record : nullptr);
    if (code.FunctionCount() == 0 && !IsDeclarationError(error.Number)) {
        error = TError{kErrorNoFunction, 0, ""};
        CompileLog.push_back(FormatError(error));
    }
    if (error.Number != 0) {
        LocateAndLog(source, error, place);
        return false;
    }
    AddLogLine("P-код успешно сгенерирован. Инструкций: ",
               std::to_string(code.InstrCount()) + Utf8ToCp1251(", функций: ") +
                   std::to_string(code.FunctionCount()) + Utf8ToCp1251(", атомов: ") +
                   std::to_string(code.Atoms.Count()));
    if (forms) *forms = ModuleFormMap(record, source, mainText, code.InstrCount());
    return true;
}

bool CompileUnitFileAt(const std::string& path, TPCode& code, TError& error, TErrorPlace* place,
                       TFormMap* forms) {
    TSource source = TSource::CreateFromFile(path);
    AddLogLine("Начата компиляция молудя ", PathText(path));
    return CompileSourceAt(source, code, error, place, forms);
}

// One module of the program being linked, parallel to the done list.
struct TLinkedModule {
    std::string Name; // the main file's name, or the module name from USES
    std::string Path; // the file it came from
    bool FromUnitFile = false;
    TPCode Image;
    TFormMap Forms; // when the link makes a form map
};

class TLinker {
public:
    // With `forms`, the modules' form maps are joined into the map of the
    // linked image; `mainForms` is the main module's.
    TLinker(const TSource& mainSource, TPCode mainImage, TError& error, TErrorPlace* place,
            TFormMap* forms, TFormMap mainForms)
        : MainSource_(mainSource), Error_(error), Place_(place), Forms_(forms) {
        const std::string mainName = mainSource.Files().empty() ? "" : mainSource.Files()[0];
        Modules_.push_back({mainName, "", false, std::move(mainImage), std::move(mainForms)});
        Remember(mainName, 0);
        Pending_ = Modules_[0].Image.Uses;
        for (const std::string& name : Pending_)
            Remember(name, -1);
    }

    // The linked program, or false with the error set.
    bool Link(TPCode& result) {
        while (!Pending_.empty() && Error_.Number == 0) {
            std::string name = std::move(Pending_.back());
            Pending_.pop_back();
            LoadModule(name);
        }
        if (Error_.Number != 0) return false;
        RelocateAll();
        BindAll();
        if (!CheckAll()) return false;
        MergeInto(result);
        return true;
    }

private:
    void LoadModule(const std::string& name) {
        TLinkedModule module{name, "", false, TPCode(), {}};
        const std::string upper = UpperCase1251(name);
        module.Path = FindInPaths(upper + ".ZK", IncludePaths);
        if (!module.Path.empty()) {
            if (!CompileUnitFileAt(module.Path, module.Image, Error_, Place_,
                                   Forms_ ? &module.Forms : nullptr))
                return;
        } else {
            module.Path = FindInPaths(upper + ".ZKU", IncludePaths);
            if (module.Path.empty()) {
                Error_ = TError{kErrorModuleNotFound, 0, name};
                if (Place_) Place_->Path.clear();
                return;
            }
            module.Image.LoadFromFile(module.Path);
            RefuseDamagedCode(module.Image, TCodeKind::Unit, module.Path);
            module.FromUnitFile = true;
        }
        const int32_t index = static_cast<int32_t>(Modules_.size());
        Remember(name, index);
        for (const std::string& used : module.Image.Uses) {
            if (Known_.count(UpperCase1251(used)) != 0) continue;
            Pending_.push_back(used);
            Remember(used, -1);
        }
        Modules_.push_back(std::move(module));
    }

    // Names in the done or the pending list, ignoring case; the value is the
    // first module index of a done name, -1 while it is only pending.
    void Remember(const std::string& name, int32_t index) {
        auto [it, added] = Known_.emplace(UpperCase1251(name), index);
        if (!added && it->second == -1) it->second = index;
    }

    void RelocateAll() {
        int32_t total = 0;
        for (TLinkedModule& module : Modules_) {
            module.Image.Relocate(total);
            total += module.Image.InstrCount();
        }
    }

    // A module reaches only the exported functions of the modules it names.
    void BindAll() {
        for (TLinkedModule& module : Modules_) {
            for (const std::string& used : module.Image.Uses) {
                const auto it = Known_.find(UpperCase1251(used));
                if (it == Known_.end() || it->second < 0) continue;
                TLinkedModule& provider = Modules_[static_cast<std::size_t>(it->second)];
                LinkCalls(module.Image, provider.Image, true);
            }
        }
    }

    bool CheckAll() {
        for (std::size_t i = 0; i < Modules_.size(); ++i) {
            CheckUnresolved(Modules_[i].Image, Error_);
            if (Error_.Number == 0) continue;
            LocateUnresolved(i);
            return false;
        }
        return true;
    }

    // The unit's source is read and preprocessed again to map the position
    // back; a unit file keeps no positions, so its call is placed at its start.
    void LocateUnresolved(std::size_t index) {
        const TLinkedModule& module = Modules_[index];
        if (index == 0) {
            Locate(MainSource_, Error_, Place_);
        } else if (module.FromUnitFile) {
            Error_.Offset = 0;
            Error_.FileName = PathText(module.Path);
            if (Place_) Place_->Path = module.Path;
        } else {
            TSource source = TSource::CreateFromFile(module.Path);
            TError ignored;
            source.Preprocess(ignored);
            Locate(source, Error_, Place_);
        }
    }

    void MergeInto(TPCode& result) {
        TPCode& main = Modules_[0].Image;
        TFormMap& forms = Modules_[0].Forms;
        for (std::size_t i = 1; i < Modules_.size(); ++i) {
            TLinkedModule& module = Modules_[i];
            if (Forms_ && module.FromUnitFile)
                AppendUnmapped(forms, module.Image.InstrCount());
            else if (Forms_)
                AppendFormMap(forms, module.Forms);
            main.Append(module.Image);
            module.Image = TPCode::Empty();
        }
        MarkMainRoot(main);
        Optimize(main, Forms_ ? &forms.FormOfInstr : nullptr);
        if (Forms_) {
            FinishFormMap(forms, main);
            *Forms_ = std::move(forms);
        }
        result = std::move(main);
    }

    const TSource& MainSource_;
    TError& Error_;
    TErrorPlace* Place_;
    TFormMap* Forms_;
    std::vector<TLinkedModule> Modules_;
    std::vector<std::string> Pending_;
    std::unordered_map<std::string, int32_t> Known_;
};

} // namespace

bool CompileSource(TSource& source, TPCode& code, TError& error) {
    return CompileSourceAt(source, code, error, nullptr, nullptr);
}

bool CompileUnitFile(const std::string& path, TPCode& code, TError& error) {
    return CompileUnitFileAt(path, code, error, nullptr, nullptr);
}

void Compile(TSource& source, TPCode& code, bool unitMode, TError& error,
             const std::vector<std::string>& paths, TErrorPlace* place, TFormMap* forms) {
    IncludePaths = paths;
    const TListingCache listings;
    if (forms) forms->Clear();
    TPCode image;
    TFormMap imageForms;
    if (!CompileSourceAt(source, image, error, place, forms ? &imageForms : nullptr)) return;
    if (unitMode) {
        Optimize(image, forms ? &imageForms.FormOfInstr : nullptr);
        if (forms) {
            FinishFormMap(imageForms, image);
            *forms = std::move(imageForms);
        }
        code = std::move(image);
        return;
    }
    TLinker linker(source, std::move(image), error, place, forms, std::move(imageForms));
    linker.Link(code);
}

void CompileMainFile(std::string_view path, TPCode& code, bool unitMode, TError& error,
                     const std::vector<std::string>& paths, TErrorPlace* place, TFormMap* forms) {
    CompileLog.clear();
    AddLogLine("Начата компиляция главного модуля");
    TSource source = TSource::CreateFromFile(path);
    Compile(source, code, unitMode, error, paths, place, forms);
}

} // namespace zk
