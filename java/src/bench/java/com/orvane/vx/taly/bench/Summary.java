package com.orvane.vx.taly.bench;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.util.Locale;

/**
 * The benchmarks' common table: a row goes to the file VX_BENCH_SUMMARY
 * names (when set), and scripts/bench.sh prints every row as one table. A
 * row: what was measured, the figure, its baseline from the same run (0
 * when it has none), the unit, and the target for figure/baseline (or the
 * figure alone), such as ">= 0.4".
 */
final class Summary {

    private Summary() {
    }

    static void row(String what, double figure, double baseline, String unit, String target) {
        String path = System.getenv("VX_BENCH_SUMMARY");
        if (path == null || path.isEmpty()) {
            return;
        }
        String line = String.format(Locale.ROOT, "%s\t%.6g\t%.6g\t%s\t%s%n", what, figure, baseline, unit, target);
        try {
            Files.writeString(Path.of(path), line, StandardCharsets.UTF_8, StandardOpenOption.CREATE,
                    StandardOpenOption.APPEND);
        } catch (IOException e) {
            System.err.println("summary: " + e.getMessage());
        }
    }
}
