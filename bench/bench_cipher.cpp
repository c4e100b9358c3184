// Micro-benchmark of the message cipher: the round trip (encipher, then
// decipher) of the messages the program sends most, and of a long chat line
// to show that the cost grows linearly with the text.
//   build/bin/moyuta-cipher-bench [--benchmark_filter=RoundTrip]
#include "Cipher.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

using namespace moyuta::cipher;

namespace {

constexpr int kNumber = 7;
constexpr std::u16string_view kKey = u"password";

const std::u16string kMove = u"2,60,3,1,0";
const std::u16string kKeyword = u"ホールド*:#$%=@!+;";
const std::u16string kChat = u"今日はよろしくお願いします。黒番で打たせていただきます、どうかお手柔らかにお願いします！";

std::u16string repeated(const std::u16string& s, int times)
{
    std::u16string r;
    for (int i = 0; i < times; ++i)
        r += s;
    return r;
}

void roundTrip(benchmark::State& state, const std::u16string& plain)
{
    for (auto _ : state) {
        const CipherResult e = encipher(plain, kNumber, kKey);
        const CipherResult d = decipher(e.text, kNumber, kKey);
        if (!d.succeeded || d.text != plain)
            std::abort();
        benchmark::DoNotOptimize(d.text.data());
    }
    state.counters["chars"] = static_cast<double>(plain.size());
}

void encipherOnly(benchmark::State& state, const std::u16string& plain)
{
    for (auto _ : state) {
        const CipherResult e = encipher(plain, kNumber, kKey);
        benchmark::DoNotOptimize(e.text.data());
    }
}

void decipherOnly(benchmark::State& state, const std::u16string& plain)
{
    const std::u16string cipherText = encipher(plain, kNumber, kKey).text;
    for (auto _ : state) {
        const CipherResult d = decipher(cipherText, kNumber, kKey);
        benchmark::DoNotOptimize(d.text.data());
    }
}

}  // namespace

BENCHMARK_CAPTURE(roundTrip, move, kMove)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(roundTrip, keyword, kKeyword)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(roundTrip, chat44, kChat)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(roundTrip, chat44x10, repeated(kChat, 10))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(encipherOnly, move, kMove)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decipherOnly, move, kMove)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(encipherOnly, chat44x10, repeated(kChat, 10))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decipherOnly, chat44x10, repeated(kChat, 10))->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
