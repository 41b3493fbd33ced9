package com.orvane.vx.taly.api;

/**
 * A program that {@link ConfigurationFileTest} runs in a JVM of its own, with
 * the configuration file under test: it connects twice and opens the queue
 * named by its argument, printing one line for each step.
 */
public final class ConfigurationProbe {

    private ConfigurationProbe() {
    }

    public static void main(String[] args) {
        for (int attempt = 1; attempt <= 2; attempt++) {
            try (Connection connection = Connection.connect(); Queue queue = connection.open(args[0], OpenOption.INQUIRE)) {
                System.out.println("opened " + queue.name());
            } catch (VxException e) {
                System.out.println("failed " + e.reason() + " " + e.getMessage());
            }
        }
    }
}
