package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Reasons;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * A configuration file that is missing or has a bad line makes every connect
 * fail with {@code VXRC_CONFIGURATION_ERROR}, and the runtime writes one
 * line on standard error naming the file and the line. The runtime reads the
 * file once per process, so each case runs {@link ConfigurationProbe} in a
 * JVM of its own.
 */
class ConfigurationFileTest {

    @TempDir
    Path folder;

    /** The probe's standard output and the runtime's lines on its standard error. */
    private record Run(List<String> out, List<String> runtimeLines) {
    }

    @Test
    void aBadLineFailsEveryConnectAndIsNamedOnceWithItsNumber() throws Exception {
        Path file = folder.resolve("queues.conf");
        Files.writeString(file, "queue GOOD\n# a comment\nqueue TOO.DEEP maxdeph=5\n");
        Run run = probe(file.toString(), "GOOD");
        String failed = "failed " + Reasons.VXRC_CONFIGURATION_ERROR + " VXCONN:";
        assertEquals(2, run.out().size(), run.toString());
        for (String line : run.out()) {
            assertTrue(line.startsWith(failed) && line.contains(file.toString()), line);
        }
        assertEquals(List.of("vxrt: VXRT_QUEUES_FILE " + file + " line 3: unknown key 'maxdeph'; connections are refused"),
                run.runtimeLines());
    }

    @Test
    void aMissingFileFailsTheConnect() throws Exception {
        Path missing = folder.resolve("not-there.conf");
        Run run = probe(missing.toString(), "TALY.QUEUE.1");
        assertTrue(run.out().get(0).startsWith("failed " + Reasons.VXRC_CONFIGURATION_ERROR), run.toString());
        assertEquals(List.of("vxrt: VXRT_QUEUES_FILE " + missing + ": cannot be opened; connections are refused"),
                run.runtimeLines());
    }

    @Test
    void aGoodFileDefinesItsQueuesSilently() throws Exception {
        Path file = folder.resolve("good.conf");
        Files.writeString(file, "queue GOOD maxdepth=5\n");
        Run run = probe(file.toString(), "GOOD");
        assertEquals(List.of("opened GOOD", "opened GOOD"), run.out());
        assertEquals(List.of(), run.runtimeLines());
    }

    /**
     * The file's database statement is used when VXRT_DATABASE is not set, and
     * VXRT_DATABASE wins when it is: the file here names a server that is not
     * there. The second half needs a database, given to the run that has one.
     */
    @Test
    void theEnvironmentsDatabaseWinsOverTheFiles() throws Exception {
        Path file = folder.resolve("database.conf");
        Files.writeString(file, "database host=127.0.0.1 port=1 dbname=nowhere connect_timeout=5\nqueue GOOD\n");
        Map<String, String> without = new HashMap<>();
        without.put("VXRT_DATABASE", null);
        Run alone = probe(file.toString(), "GOOD", without);
        assertEquals(2, alone.out().size(), alone.toString());
        for (String line : alone.out()) {
            assertTrue(line.startsWith("failed " + Reasons.VXRC_STORE_NOT_AVAILABLE), alone.toString());
        }
        assertEquals(1, alone.runtimeLines().size(), alone.toString());
        assertTrue(alone.runtimeLines().get(0).contains("port=1"), alone.toString());

        String database = System.getenv("VXRT_DATABASE");
        if (database == null || database.isEmpty()) {
            return;
        }
        Run overridden = probe(file.toString(), "GOOD", Map.of("VXRT_DATABASE", database));
        assertEquals(List.of("opened GOOD", "opened GOOD"), overridden.out());
        assertEquals(List.of(), overridden.runtimeLines());
    }

    private Run probe(String configuration, String queue) throws IOException, InterruptedException {
        return probe(configuration, queue, Map.of());
    }

    /**
     * Runs the probe with this configuration file, the same library path and class path, under -Xcheck:jni,
     * with these changes to the environment (a null value removes the variable).
     */
    private Run probe(String configuration, String queue, Map<String, String> environment)
            throws IOException, InterruptedException {
        Path out = folder.resolve("out.txt");
        Path err = folder.resolve("err.txt");
        ProcessBuilder builder = new ProcessBuilder(Path.of(System.getProperty("java.home"), "bin", "java").toString(),
                "-Xcheck:jni", "-Djava.library.path=" + System.getProperty("java.library.path"),
                "-cp", System.getProperty("java.class.path"), ConfigurationProbe.class.getName(), queue)
                .redirectOutput(out.toFile()).redirectError(err.toFile());
        builder.environment().put("VXRT_QUEUES_FILE", configuration);
        environment.forEach((name, value) -> {
            if (value == null) {
                builder.environment().remove(name);
            } else {
                builder.environment().put(name, value);
            }
        });
        Process process = builder.start();
        assertTrue(process.waitFor(60, TimeUnit.SECONDS), "the probe ended");
        assertEquals(0, process.exitValue(), Files.readString(err));
        List<String> lines = Files.readAllLines(out, StandardCharsets.UTF_8);
        assertTrue(lines.stream().noneMatch(l -> l.contains("WARNING")), "no JNI warning: " + lines);
        List<String> runtime = new ArrayList<>();
        for (String line : Files.readAllLines(err, StandardCharsets.UTF_8)) {
            if (line.startsWith("vxrt:")) {
                runtime.add(line);
            }
        }
        return new Run(lines, runtime);
    }
}
