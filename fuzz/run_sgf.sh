#!/usr/bin/env bash
# Builds the SGF reader's fuzz target with clang++-14 (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it for a bounded time.
#   fuzz/run_sgf.sh [SECONDS]     (default 60)
# The growing corpus is kept in fuzz/corpus/sgf/ (not committed);
# fuzz/sgf_seeds/ holds a few small starting inputs. Crashes are written to
# fuzz/artifacts/sgf-*.
set -euo pipefail
cd "$(dirname "$0")"
seconds="${1:-60}"
source ./clang.sh
mkdir -p build corpus/sgf artifacts
# Qt's own code is not instrumented; the reader is.
clang++-14 -std=c++20 -O1 -g -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I ../src/record -I ../src/form $(pkg-config --cflags Qt6Core) \
  fuzz_sgf.cpp ../src/record/SgfRead.cpp ../src/record/SgfConvert.cpp ../src/form/Cp932.cpp \
  $(pkg-config --libs Qt6Core) -o build/fuzz_sgf
exec ./build/fuzz_sgf corpus/sgf sgf_seeds \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix=artifacts/sgf- -print_final_stats=1
