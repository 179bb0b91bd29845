// Cost of the formula engine: evaluation per operation beside muparser and the same
// formula written in C++, and compile times of a valid formula and of invalid formulas
// of growing size (with remembered verdicts and, for contrast, without).
#include "formula/compiler.h"
#include "formula/parser.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

struct Marks {
    double M1 = 7, M2 = 12, M3 = 3, M4 = 9, M5 = 5, M6 = 6, M7 = 7, M8 = 8, M9 = 9, M10 = 10, M11 = 11, M12 = 12;
    double DOP = 1.5, DOP2 = 2;
};

struct Formula {
    const char* text;
    double (*direct)(const Marks&);
};

const Formula kFormulas[] = {
    {"M1+M2+M3+M4+DOP", [](const Marks& m) { return m.M1 + m.M2 + m.M3 + m.M4 + m.DOP; }},
    {"MAX(M1,M2)*0.4+(M3+M4)/2", [](const Marks& m) { return std::max(m.M1, m.M2) * 0.4 + (m.M3 + m.M4) / 2; }},
    // 30 operations.
    {"(M1+M2+M3+M4+M5+M6)*0.3+(M7+M8+M9+M10)/4*0.2+MAX(M11,M12)*0.1+DOP+DOP2-ABS(M1-M2)/10"
     "+SQRT(M3*M3+M4*M4)/2-MIN(M5,M6)*0.05",
     [](const Marks& m) {
         return (m.M1 + m.M2 + m.M3 + m.M4 + m.M5 + m.M6) * 0.3 + (m.M7 + m.M8 + m.M9 + m.M10) / 4 * 0.2
             + std::max(m.M11, m.M12) * 0.1 + m.DOP + m.DOP2 - std::abs(m.M1 - m.M2) / 10
             + std::sqrt(m.M3 * m.M3 + m.M4 * m.M4) / 2 - std::min(m.M5, m.M6) * 0.05;
     }},
};

const char* kNames[] = {"M1", "M2", "M3", "M4", "M5", "M6", "M7", "M8", "M9", "M10", "M11", "M12", "DOP", "DOP2"};

double* field(Marks& m, int i)
{
    double* f[] = {&m.M1, &m.M2, &m.M3, &m.M4, &m.M5, &m.M6, &m.M7, &m.M8, &m.M9, &m.M10, &m.M11, &m.M12, &m.DOP, &m.DOP2};
    return f[i];
}

int operationsOf(const char* text)
{
    qel::TParser p;
    for (const char* n : kNames)
        p.SetVariable(QLatin1String(n), 1.0L);
    p.setExpression(QLatin1String(text));
    return p.operations().size();
}

// Time per operation of the engine's list, for all three contestants.
void perOperation(benchmark::State& state, const char* text)
{
    state.counters["per_op"] = benchmark::Counter(operationsOf(text), benchmark::Counter::kIsIterationInvariantRate
                                                                        | benchmark::Counter::kInvert);
}

void BM_Engine(benchmark::State& state)
{
    const Formula& f = kFormulas[state.range(0)];
    qel::TParser parser;
    double* cells[std::size(kNames)];
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        cells[i] = parser.SetVariable(QLatin1String(kNames[i]), 1.0L + double(i));
    parser.setExpression(QLatin1String(f.text));
    double x = 0;
    for (auto _ : state) {
        *cells[0] = x; // a new mark for every reading
        x += 1e-9;
        benchmark::DoNotOptimize(parser.Value());
    }
    perOperation(state, f.text);
}

void BM_Muparser(benchmark::State& state)
{
    const Formula& f = kFormulas[state.range(0)];
    Marks m;
    mu::Parser parser;
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        parser.DefineVar(kNames[i], field(m, int(i)));
    std::string text = f.text;
    for (const char* fn : {"MAX", "MIN", "ABS", "SQRT"}) {
        std::string lower = fn;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        for (std::size_t at; (at = text.find(std::string(fn) + "(")) != std::string::npos;)
            text.replace(at, lower.size(), lower);
    }
    parser.SetExpr(text);
    double x = 0;
    for (auto _ : state) {
        m.M1 = x;
        x += 1e-9;
        benchmark::DoNotOptimize(parser.Eval());
    }
    perOperation(state, f.text);
}

void BM_DirectCpp(benchmark::State& state)
{
    const Formula& f = kFormulas[state.range(0)];
    Marks m;
    double x = 0;
    for (auto _ : state) {
        m.M1 = x;
        x += 1e-9;
        benchmark::ClobberMemory(); // the marks are read afresh, as from cells
        benchmark::DoNotOptimize(f.direct(m));
    }
    perOperation(state, f.text);
}

BENCHMARK(BM_Engine)->DenseRange(0, 2)->ArgName("formula");
BENCHMARK(BM_Muparser)->DenseRange(0, 2)->ArgName("formula");
BENCHMARK(BM_DirectCpp)->DenseRange(0, 2)->ArgName("formula");

// ---- compiling -------------------------------------------------------------------

void compile(benchmark::State& state, const QString& text, bool memoise)
{
    qel::TParser parser;
    for (const char* n : kNames)
        parser.SetVariable(QLatin1String(n), 1.0L);
    qel::CompileStats stats;
    for (auto _ : state) {
        bool error = false;
        try {
            benchmark::DoNotOptimize(qel::CompileExpression(text, parser.variables(), parser.functionsOneParameter(),
                                                            parser.functionsTwoParameters(), true, error,
                                                            {memoise, &stats}));
        } catch (const qel::EMathParserError&) {
        }
    }
    state.counters["chars"] = double(text.size());
    state.counters["steps"] = double(stats.steps);
}

void BM_CompileValid200(benchmark::State& state)
{
    const QString text = QStringLiteral(
        "(M1+M2+M3+M4+M5+M6)*0.3+(M7+M8+M9+M10)/4*0.2+MAX(M11,M12)*0.1+DOP+DOP2-ABS(M1-M2)/10+SQRT(M3*M3+M4*M4)/2"
        "-MIN(M5,M6)*0.05+(M7*0.25+M8*0.25+M9*0.25)/(1+ABS(M11-M12))-SIGN(M1)*0.5");
    compile(state, text, true);
}
BENCHMARK(BM_CompileValid200)->Unit(benchmark::kMicrosecond);

// "M1-M2-...-" : every "-" is a candidate whose left part must be settled again.
QString invalidChain(int terms) { return QStringLiteral("M1-").repeated(terms) + QStringLiteral("M2-"); }
// Mixed operators, brackets and calls, broken at the end.
QString invalidMixed(int units)
{
    return QStringLiteral("(M1-M2)*M3/M4^2+SIN(M5)-MAX(M6,M7)DIV2+").repeated(units) + QStringLiteral("*");
}

void BM_CompileInvalidChain(benchmark::State& state) { compile(state, invalidChain(int(state.range(0))), true); }
void BM_CompileInvalidChainPlain(benchmark::State& state) { compile(state, invalidChain(int(state.range(0))), false); }
void BM_CompileInvalidMixed(benchmark::State& state) { compile(state, invalidMixed(int(state.range(0))), true); }
void BM_CompileInvalidMixedPlain(benchmark::State& state) { compile(state, invalidMixed(int(state.range(0))), false); }

BENCHMARK(BM_CompileInvalidChain)->RangeMultiplier(4)->Range(4, 1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompileInvalidChainPlain)->DenseRange(4, 16, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompileInvalidMixed)->RangeMultiplier(4)->Range(1, 256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompileInvalidMixedPlain)->DenseRange(1, 3, 1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
