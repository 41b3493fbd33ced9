import java.io.File;
import javax.xml.parsers.DocumentBuilderFactory;
import org.w3c.dom.Document;
import org.w3c.dom.Element;

/**
 * Reads a pom as XML (a file that is not well formed fails here) and prints
 * "groupId:artifactId:version" of its project: run as
 * {@code java PomCheck.java FILE}.
 */
public class PomCheck {
    public static void main(String[] args) throws Exception {
        DocumentBuilderFactory factory = DocumentBuilderFactory.newInstance();
        factory.setNamespaceAware(true);
        Document pom = factory.newDocumentBuilder().parse(new File(args[0]));
        Element project = pom.getDocumentElement();
        if (!project.getLocalName().equals("project")
                || !"http://maven.apache.org/POM/4.0.0".equals(project.getNamespaceURI())) {
            throw new IllegalStateException("not a Maven 4.0.0 project: " + project.getTagName());
        }
        System.out.println(child(project, "groupId") + ":" + child(project, "artifactId") + ":"
                + child(project, "version") + " " + child(project, "modelVersion"));
    }

    private static String child(Element parent, String name) {
        for (var node = parent.getFirstChild(); node != null; node = node.getNextSibling()) {
            if (node instanceof Element element && element.getLocalName().equals(name)) {
                return element.getTextContent().trim();
            }
        }
        throw new IllegalStateException("no " + name);
    }
}
