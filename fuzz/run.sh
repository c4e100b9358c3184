#!/usr/bin/env bash
# Builds the cipher fuzz target with clang++-14 (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time.
#   fuzz/run.sh [SECONDS]     (default 60)
# The growing corpus is kept in fuzz/corpus/ (not committed); fuzz/seeds/
# holds a few small starting inputs. Crashes are written to fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")"
seconds="${1:-60}"
source ./clang.sh
mkdir -p build corpus artifacts
clang++-14 -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I ../src/cipher fuzz_cipher.cpp ../src/cipher/Cipher.cpp ../src/cipher/CipherTables.cpp \
  -o build/fuzz_cipher
exec ./build/fuzz_cipher corpus seeds \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
  -artifact_prefix=artifacts/ -print_final_stats=1
