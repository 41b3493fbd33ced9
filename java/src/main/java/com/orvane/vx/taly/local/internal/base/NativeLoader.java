package com.orvane.vx.taly.local.internal.base;

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
import java.security.DigestInputStream;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.HashMap;
import java.util.HexFormat;
import java.util.Locale;
import java.util.Map;

/**
 * Loads {@code libvxtaly.so}, which finds {@code libvxrt.so} in its own
 * folder (its run path is {@code $ORIGIN}), from the first of:
 * <ol>
 * <li>the folder that the system property {@value #FOLDER_PROPERTY} names;
 * <li>a folder of {@code java.library.path} that holds it;
 * <li>the copy inside the jar for this platform ({@code META-INF/native/linux-x86_64/}),
 *     extracted into a new folder that only this user may enter, checked
 *     against the checksums the jar carries, and removed as soon as it is
 *     loaded, so that even a JVM that is killed leaves nothing behind.
 * </ol>
 */
public final class NativeLoader {

    /** The system property naming the folder that holds libvxtaly.so and libvxrt.so. */
    public static final String FOLDER_PROPERTY = "com.orvane.vx.taly.library.path";

    private static final String LIBRARY = "vxtaly";
    private static final String[] FILES = {"libvxrt.so", "libvxtaly.so"};
    private static final String CHECKSUMS = "SHA256SUMS";

    private static String origin = "not loaded";

    private NativeLoader() {
    }

    /** Loads the library once; the Native class calls it when it is first used. */
    static synchronized void load() {
        String folder = System.getProperty(FOLDER_PROPERTY);
        if (folder != null && !folder.isBlank()) {
            Path library = Path.of(folder, System.mapLibraryName(LIBRARY)).toAbsolutePath();
            if (!Files.isRegularFile(library)) {
                throw new UnsatisfiedLinkError(FOLDER_PROPERTY + "=" + folder + " holds no " + library.getFileName());
            }
            System.load(library.toString());
            origin = library + " (" + FOLDER_PROPERTY + ")";
            return;
        }
        Path onPath = onLibraryPath();
        if (onPath != null) {
            System.loadLibrary(LIBRARY);
            origin = onPath + " (java.library.path)";
            return;
        }
        origin = extractAndLoad();
    }

    /**
     * Where the library was loaded from, and how it was found.
     *
     * @return a path and the way, such as "/opt/vxtaly/lib/libvxtaly.so (java.library.path)"
     */
    public static synchronized String origin() {
        return origin;
    }

    private static Path onLibraryPath() {
        String path = System.getProperty("java.library.path", "");
        for (String entry : path.split(File.pathSeparator)) {
            if (entry.isEmpty()) {
                continue;
            }
            Path candidate = Path.of(entry, System.mapLibraryName(LIBRARY));
            if (Files.isRegularFile(candidate)) {
                return candidate.toAbsolutePath();
            }
        }
        return null;
    }

    /** The jar's folder of libraries for the running platform. */
    static String platformFolder() {
        String os = System.getProperty("os.name", "").toLowerCase(Locale.ROOT);
        String arch = System.getProperty("os.arch", "").toLowerCase(Locale.ROOT);
        if (arch.equals("amd64")) {
            arch = "x86_64";
        }
        return "META-INF/native/" + (os.startsWith("linux") ? "linux" : os.replace(' ', '_')) + "-" + arch + "/";
    }

    private static String extractAndLoad() {
        String folder = platformFolder();
        ClassLoader loader = NativeLoader.class.getClassLoader();
        if (loader.getResource(folder + CHECKSUMS) == null) {
            throw new UnsatisfiedLinkError("no " + System.mapLibraryName(LIBRARY) + " in " + FOLDER_PROPERTY
                    + " or java.library.path (" + System.getProperty("java.library.path", "") + "), and the jar"
                    + " carries none for " + folder.substring("META-INF/native/".length(), folder.length() - 1));
        }
        Path directory = null;
        try {
            Map<String, String> sums = checksums(loader, folder + CHECKSUMS);
            directory = Files.createTempDirectory("vxtaly-",
                    PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rwx------")));
            for (String name : FILES) {
                extract(loader, folder + name, directory.resolve(name), sums.get(name));
            }
            Path library = directory.resolve(System.mapLibraryName(LIBRARY));
            try {
                System.load(library.toString());
            } catch (UnsatisfiedLinkError e) {
                UnsatisfiedLinkError failure = new UnsatisfiedLinkError(e.getMessage() + " (extracted into "
                        + directory.getParent() + "; where that folder may not hold programs, set java.io.tmpdir or "
                        + FOLDER_PROPERTY + ")");
                failure.initCause(e);
                throw failure;
            }
            return library + " (extracted from the jar, removed once loaded)";
        } catch (IOException | NoSuchAlgorithmException e) {
            UnsatisfiedLinkError failure = new UnsatisfiedLinkError("cannot extract the native libraries: " + e);
            failure.initCause(e);
            throw failure;
        } finally {
            remove(directory);
        }
    }

    /** The expected SHA-256 of each file, from lines of "HEX  NAME". */
    private static Map<String, String> checksums(ClassLoader loader, String resource) throws IOException {
        Map<String, String> sums = new HashMap<>();
        try (InputStream in = loader.getResourceAsStream(resource)) {
            for (String line : new String(in.readAllBytes(), StandardCharsets.US_ASCII).split("\n")) {
                String[] words = line.trim().split("\\s+");
                if (words.length == 2) {
                    sums.put(words[1].replace("*", ""), words[0].toLowerCase(Locale.ROOT));
                }
            }
        }
        return sums;
    }

    private static void extract(ClassLoader loader, String resource, Path target, String expected)
            throws IOException, NoSuchAlgorithmException {
        if (expected == null) {
            throw new IOException(resource + " has no checksum");
        }
        MessageDigest digest = MessageDigest.getInstance("SHA-256");
        try (InputStream in = loader.getResourceAsStream(resource)) {
            if (in == null) {
                throw new IOException(resource + " is not in the jar");
            }
            Files.copy(new DigestInputStream(in, digest), target);
        }
        String actual = HexFormat.of().formatHex(digest.digest());
        if (!actual.equals(expected)) {
            throw new IOException(resource + " has checksum " + actual + ", not " + expected);
        }
    }

    private static void remove(Path directory) {
        if (directory == null) {
            return;
        }
        for (String name : FILES) {
            directory.resolve(name).toFile().delete();
        }
        directory.toFile().delete();
    }
}
